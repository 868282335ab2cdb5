# The windows program, when the windows library is built.
if(TARGET tq_ui)
  add_executable(tallyquest WIN32 tallyquest_main.cpp)
  target_link_libraries(tallyquest PRIVATE tq_ui tq_platform tq_core)
endif()
