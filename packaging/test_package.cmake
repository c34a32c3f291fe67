# Unpacks the release package into a folder with a Japanese name, as an
# author on Japanese Windows would, and runs its cabhost.exe from there under
# Wine on a vehicle folder and a scenario that have Japanese names too.
# Run with -DZIP= -DNAME= -DVERSION= -DWORK_DIR= -DEMULATOR=.
cmake_policy(SET CMP0057 NEW)
set(folder "${WORK_DIR}/作者のフォルダ")
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${folder})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${folder} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "unpacking ${ZIP} failed: ${status}")
endif()
set(package "${folder}/${NAME}")

foreach(file orvalis_cab.dll cabhost.exe LICENSE CHANGELOG.md docs/author-guide.md docs/author-guide.ja.md
        example-module/example_module.dll example-module/example_module.cpp
        sample-vehicle/orvalis_cab.dll sample-vehicle/example_module.dll sample-vehicle/notch/notch.txt
        scenarios/departure.txt)
    if(NOT EXISTS "${package}/${file}")
        message(FATAL_ERROR "the package lacks ${file}")
    endif()
endforeach()

# Explorer shows the version resource under Properties > Details.
foreach(file orvalis_cab.dll cabhost.exe)
    file(STRINGS "${package}/${file}" texts ENCODING UTF-16LE REGEX "^(FileVersion|ProductName|orvalis-cab|${VERSION})$")
    foreach(expected FileVersion ProductName orvalis-cab ${VERSION})
        if(NOT expected IN_LIST texts)
            message(FATAL_ERROR "the version resource of ${file} lacks ${expected}")
        endif()
    endforeach()
endforeach()

# The author's own names: a vehicle folder and a scenario in Japanese.
file(COPY "${package}/sample-vehicle/" DESTINATION "${package}/試験車両")
file(COPY_FILE "${package}/scenarios/departure.txt" "${package}/出発試験.txt")
file(MAKE_DIRECTORY "${package}/壊れた車両/NeedleTable")
file(WRITE "${package}/壊れた車両/NeedleTable/Speed.csv" "speed,needle\n0,0\n40,forty\n")

# One run of cabhost.exe in the package folder: the exit status it must end
# with and texts its output must hold.
function(run_cabhost status)
    cmake_parse_arguments(RUN "" "" "ARGS;EXPECT" ${ARGN})
    execute_process(COMMAND ${EMULATOR} "${package}/cabhost.exe" ${RUN_ARGS} WORKING_DIRECTORY "${package}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    message("cabhost.exe ${RUN_ARGS}\n${output}${errors}")
    if(NOT "${result}" STREQUAL "${status}")
        message(FATAL_ERROR "cabhost.exe ${RUN_ARGS} ended with ${result}, expected ${status}")
    endif()
    foreach(pattern IN LISTS RUN_EXPECT)
        if(NOT "${output}${errors}" MATCHES "${pattern}")
            message(FATAL_ERROR "the output of cabhost.exe ${RUN_ARGS} lacks: ${pattern}")
        endif()
    endforeach()
endfunction()

run_cabhost(0 ARGS --version EXPECT "cabhost ${VERSION}")
run_cabhost(0 ARGS check 試験車両 EXPECT "example_module.dll")
# A folder dropped on cabhost.exe arrives as its only argument.
run_cabhost(0 ARGS "${package}/試験車両" EXPECT "example_module.dll")
# Japanese findings, as UTF-8 through the pipe.
run_cabhost(1 ARGS --lang ja check 壊れた車両 EXPECT "Speed.csv" "ません")
run_cabhost(2 ARGS --lang ja drive EXPECT "'drive' というコマンドはありません" "使い方:")
file(REMOVE "${package}/出発試験-trace.csv")
run_cabhost(0 ARGS run 試験車両 出発試験.txt EXPECT "出発試験.txt")
if(NOT EXISTS "${package}/出発試験-trace.csv")
    file(GLOB left RELATIVE "${package}" "${package}/*")
    message(FATAL_ERROR "cabhost.exe run left no 出発試験-trace.csv; the package folder holds: ${left}")
endif()
