# The windows program, when a windows library is built: the Win32 front end
# on Windows (one static GUI program with its resources), Qt elsewhere.
if(TARGET tq_ui_win32)
  add_executable(tallyquest WIN32 tallyquest_win32.cpp ${TQ_WIN32_RESOURCES})
  target_link_libraries(tallyquest PRIVATE tq_ui_win32 tq_platform tq_core)
  target_include_directories(tallyquest PRIVATE ${TQ_WIN32_RESOURCE_INCLUDES})
  if(MINGW)
    target_link_options(tallyquest PRIVATE -static)
  elseif(MSVC)
    # The resource script brings the manifest.
    target_link_options(tallyquest PRIVATE /MANIFEST:NO)
  endif()
elseif(TARGET tq_ui)
  add_executable(tallyquest WIN32 tallyquest_main.cpp)
  target_link_libraries(tallyquest PRIVATE tq_ui tq_platform tq_core)
endif()
