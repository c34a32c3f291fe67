# The project's one version (project(VERSION) in the top CMakeLists.txt) for
# the code and for Windows:
#   - version/version.h in the build tree, for cabhost --version and the load
#     report of the plug-in;
#   - orvalis_version_resource(TARGET DESCRIPTION), a Windows version resource
#     (file version, product name, description) that Explorer shows in the
#     file's properties.
set(ORVALIS_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${ORVALIS_GENERATED_DIR}/version/version.h @ONLY)

if(WIN32)
    enable_language(RC)
endif()

function(orvalis_version_resource target description)
    if(NOT WIN32)
        return()
    endif()
    set(ORVALIS_FILE_DESCRIPTION "${description}")
    set(ORVALIS_FILE_NAME "$<TARGET_FILE_NAME:${target}>")
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        set(ORVALIS_FILE_TYPE "0x1L")  # VFT_APP
    else()
        set(ORVALIS_FILE_TYPE "0x2L")  # VFT_DLL
    endif()
    set(configured ${ORVALIS_GENERATED_DIR}/version/${target}.rc.in)
    configure_file(${CMAKE_SOURCE_DIR}/version/version.rc.in ${configured} @ONLY)
    file(GENERATE OUTPUT ${ORVALIS_GENERATED_DIR}/version/${target}.rc INPUT ${configured})
    target_sources(${target} PRIVATE ${ORVALIS_GENERATED_DIR}/version/${target}.rc)
endfunction()
