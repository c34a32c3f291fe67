# Lays the sample out beside cabhost as a vehicle author's folder looks:
#   sample-vehicle/         examples/vehicle with the plug-in library and the
#                           example detail module beside its files, the module
#                           list naming the module file of this platform
#   sample-vehicle-adjust/  the same with "PanelModify.txt": adjustment mode on
#   scenarios/              examples/scenarios
# Run with -DSOURCE_DIR= -DOUTPUT_DIR= -DPLUGIN= -DMODULE= (library files).
get_filename_component(module_file ${MODULE} NAME)
foreach(folder sample-vehicle sample-vehicle-adjust)
    set(vehicle ${OUTPUT_DIR}/${folder})
    file(REMOVE_RECURSE ${vehicle})
    file(COPY ${SOURCE_DIR}/examples/vehicle/ DESTINATION ${vehicle})
    file(COPY ${PLUGIN} ${MODULE} DESTINATION ${vehicle})
    file(WRITE ${vehicle}/detailmodulesx64.txt "${module_file}")
endforeach()
file(WRITE ${OUTPUT_DIR}/sample-vehicle-adjust/PanelModify.txt
     "While this file lies beside the plug-in, keys 0, 5 and 6 set the needles to test values.\n"
     "Its content is never read. Delete it for normal running.\n")
file(REMOVE_RECURSE ${OUTPUT_DIR}/scenarios)
file(COPY ${SOURCE_DIR}/examples/scenarios/ DESTINATION ${OUTPUT_DIR}/scenarios)
