# The host's header-only JSON library for a cross build: an imported target
# whose include folder holds only the nlohmann headers.
if(NOT TARGET nlohmann_json::nlohmann_json)
  find_path(TQ_NLOHMANN_INCLUDE nlohmann/json.hpp PATHS /usr/include /usr/local/include
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT TQ_NLOHMANN_INCLUDE)
    set(nlohmann_json_FOUND FALSE)
    return()
  endif()
  set(_tq_json_dir ${CMAKE_BINARY_DIR}/_host-headers)
  file(MAKE_DIRECTORY ${_tq_json_dir})
  if(NOT EXISTS ${_tq_json_dir}/nlohmann)
    file(CREATE_LINK ${TQ_NLOHMANN_INCLUDE}/nlohmann ${_tq_json_dir}/nlohmann SYMBOLIC)
  endif()
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_tq_json_dir})
endif()
set(nlohmann_json_FOUND TRUE)
