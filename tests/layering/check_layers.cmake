# Checks the layering of the source tree: each folder may include only from the folders
# below it (and itself). Run as: cmake -DSOURCE_DIR=<repo> -P check_layers.cmake
# Fails, naming every offending line, when a file includes from a folder it may not use,
# in particular when anything outside app/ and settings/ includes from app/.
cmake_minimum_required(VERSION 3.25)

# Folder: the folders its files may include from, bottom layer first.
set(allowed_senna senna)
set(allowed_text text)
set(allowed_state state)
set(allowed_platform text platform)
set(allowed_config text platform config)
set(allowed_search text state platform senna search)
set(allowed_index_control text state platform index_control)
set(allowed_pages text state platform search index_control pages)
set(allowed_documents text platform config documents)
set(allowed_daradiv senna text platform config search index_control daradiv)
set(allowed_settings text state platform config index_control app settings)
set(allowed_app text state platform config search index_control pages documents settings app)

set(project_folders senna text state platform config search index_control pages documents
    daradiv settings app)

set(faults "")
foreach(folder ${project_folders})
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/.*" "\\1" used "${line}")
      if(NOT used IN_LIST project_folders)
        continue()  # not one of ours (a system or library header)
      endif()
      if(NOT used IN_LIST allowed_${folder})
        string(APPEND faults "  ${source}: ${line}  (${folder}/ may not include from ${used}/)\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Includes that break the layering:\n${faults}")
endif()
message(STATUS "Layering holds")
