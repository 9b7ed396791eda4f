# scr_system: the system services of gui/system.h, real on Windows, Windows-like natively.
if(WIN32)
  add_library(scr_system STATIC ${CMAKE_CURRENT_LIST_DIR}/win32/system_win32.cpp)
  target_link_libraries(scr_system PUBLIC gdi32)
else()
  add_library(scr_system STATIC ${CMAKE_CURRENT_LIST_DIR}/headless/system_posix.cpp)
endif()
target_include_directories(scr_system PUBLIC ${CMAKE_SOURCE_DIR}/src)
