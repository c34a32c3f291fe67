# Writes OUTPUT, a C++ file holding every INPUT_DIR/*.po file, in name order,
# as one string: the catalogue that messages.cpp reads at its first use. Each
# file is preceded by a line "#file NAME" so that problems name their file.
file(GLOB catalogue_files ${INPUT_DIR}/*.po)
list(SORT catalogue_files)
set(text "")
foreach(catalogue_file ${catalogue_files})
    get_filename_component(name ${catalogue_file} NAME)
    file(READ ${catalogue_file} content)
    string(APPEND text "#file ${name}\n${content}\n")
endforeach()
if(text MATCHES "\\)catalogue\"")
    message(FATAL_ERROR "a catalogue file holds the text )catalogue\" that ends the embedded string")
endif()
file(WRITE ${OUTPUT}.new "// Made by embed_catalogue.cmake from messages/ja/*.po; do not edit.\n"
    "namespace messages {\nextern const char* const kJapaneseCatalogue;\n"
    "const char* const kJapaneseCatalogue = R\"catalogue(${text})catalogue\";\n}  // namespace messages\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
