# Lays out the release package in STAGE_DIR/NAME and packs it into ZIP.
# Run with -DSOURCE_DIR= -DSTAGE_DIR= -DNAME= -DZIP= -DPLUGIN= -DCABHOST=
# -DMODULE= (the built files).
set(root ${STAGE_DIR}/${NAME})
file(REMOVE_RECURSE ${STAGE_DIR})
file(MAKE_DIRECTORY ${root})

file(COPY ${PLUGIN} ${CABHOST} DESTINATION ${root})
file(COPY ${SOURCE_DIR}/LICENSE ${SOURCE_DIR}/CHANGELOG.md DESTINATION ${root})
file(COPY ${SOURCE_DIR}/docs/ DESTINATION ${root}/docs)

# The example detail module: the library to try, the source to start from.
file(COPY ${MODULE} ${SOURCE_DIR}/examples/module/ DESTINATION ${root}/example-module)

# The sample vehicle as an author's folder looks, ready to copy: the plug-in
# and the example module beside its files. cabhost.exe run without arguments
# drives it through scenarios/departure.txt.
get_filename_component(module_file ${MODULE} NAME)
file(COPY ${SOURCE_DIR}/examples/vehicle/ DESTINATION ${root}/sample-vehicle)
file(COPY ${PLUGIN} ${MODULE} DESTINATION ${root}/sample-vehicle)
file(WRITE ${root}/sample-vehicle/detailmodulesx64.txt "${module_file}")
file(COPY ${SOURCE_DIR}/examples/scenarios/ DESTINATION ${root}/scenarios)

file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip ${NAME}
                WORKING_DIRECTORY ${STAGE_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "packing ${ZIP} failed: ${status}")
endif()
