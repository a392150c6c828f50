# nlohmann-json (header-only, Debian's nlohmann-json3-dev) as the interface target
# tidewell_json. The cross compiler must see its include folder and nothing else of
# /usr/include: an include folder that holds only a link to the nlohmann folder.
set(TIDEWELL_JSON_DIR /usr/include/nlohmann CACHE PATH "nlohmann-json headers")
if(NOT EXISTS ${TIDEWELL_JSON_DIR}/json.hpp)
  message(FATAL_ERROR "no nlohmann/json.hpp under ${TIDEWELL_JSON_DIR}: the plug-in and tidewell-web need it "
                      "(scripts/bootstrap.sh installs nlohmann-json3-dev)")
endif()
add_library(tidewell_json INTERFACE)
if(TIDEWELL_WIN32)
  set(json_include ${CMAKE_BINARY_DIR}/json-include)
  file(MAKE_DIRECTORY ${json_include})
  file(CREATE_LINK ${TIDEWELL_JSON_DIR} ${json_include}/nlohmann SYMBOLIC)
  target_include_directories(tidewell_json SYSTEM INTERFACE ${json_include})
endif()
