# pugixml built from Debian's source package where the host's library does
# not fit (the Windows cross build): TQ_PUGIXML_SOURCE names the folder that
# holds src/pugixml.cpp. A cross build given no folder fetches the source
# itself, once, into the build folder (scripts/pugixml-source.sh, through apt).
set(TQ_PUGIXML_SOURCE "" CACHE PATH "pugixml's source folder, for builds without the system's library")
if(NOT TQ_PUGIXML_SOURCE AND CMAKE_CROSSCOMPILING)
  message(STATUS "Fetching Debian's pugixml source into ${CMAKE_BINARY_DIR}/_pugixml")
  execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/pugixml-source.sh ${CMAKE_BINARY_DIR}/_pugixml
    OUTPUT_VARIABLE tq_pugixml_fetched OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE tq_pugixml_status)
  if(tq_pugixml_status EQUAL 0 AND EXISTS ${tq_pugixml_fetched}/src/pugixml.cpp)
    set(TQ_PUGIXML_SOURCE ${tq_pugixml_fetched} CACHE PATH
        "pugixml's source folder, for builds without the system's library" FORCE)
  else()
    message(WARNING "Could not fetch Debian's pugixml source through apt (scripts/pugixml-source.sh)")
  endif()
endif()
if(TQ_PUGIXML_SOURCE AND EXISTS ${TQ_PUGIXML_SOURCE}/src/pugixml.cpp AND NOT TARGET pugixml)
  add_library(pugixml STATIC ${TQ_PUGIXML_SOURCE}/src/pugixml.cpp)
  target_include_directories(pugixml SYSTEM PUBLIC ${TQ_PUGIXML_SOURCE}/src)
  set(pugixml_FOUND TRUE)
endif()
if(NOT TARGET pugixml AND NOT TARGET pugixml::pugixml)
  message(FATAL_ERROR "pugixml not found: install libpugixml-dev, or set TQ_PUGIXML_SOURCE "
                      "(scripts/pugixml-source.sh fetches Debian's source)")
endif()
