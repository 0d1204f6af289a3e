# nlohmann-json, header-only from Debian's package, for the command line's
# recordings, the tests and the test provider (never parlet.dll). The cross
# compiler must not see the rest of /usr/include, so it gets a folder holding
# just nlohmann/.
set(parlet_json_dir ${CMAKE_BINARY_DIR}/nlohmann-json)
file(MAKE_DIRECTORY ${parlet_json_dir})
if(NOT EXISTS ${parlet_json_dir}/nlohmann)
  file(CREATE_LINK /usr/include/nlohmann ${parlet_json_dir}/nlohmann SYMBOLIC)
endif()
add_library(parlet_json INTERFACE)
target_include_directories(parlet_json SYSTEM INTERFACE ${parlet_json_dir})
