# pugixml built from Debian's source package where the host's library does
# not fit (the Windows cross build): TQ_PUGIXML_SOURCE names the folder that
# holds src/pugixml.cpp (scripts/pugixml-source.sh fetches it).
set(TQ_PUGIXML_SOURCE "" CACHE PATH "pugixml's source folder, for builds without the system's library")
if(TQ_PUGIXML_SOURCE AND EXISTS ${TQ_PUGIXML_SOURCE}/src/pugixml.cpp AND NOT TARGET pugixml)
  add_library(pugixml STATIC ${TQ_PUGIXML_SOURCE}/src/pugixml.cpp)
  target_include_directories(pugixml SYSTEM PUBLIC ${TQ_PUGIXML_SOURCE}/src)
  set(pugixml_FOUND TRUE)
endif()
if(NOT TARGET pugixml AND NOT TARGET pugixml::pugixml)
  message(FATAL_ERROR "pugixml not found: install libpugixml-dev, or set TQ_PUGIXML_SOURCE "
                      "(scripts/pugixml-source.sh fetches Debian's source)")
endif()
