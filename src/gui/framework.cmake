# The framework layer. scr_framework: the portable part (application, window model, the picture
# show control's host); scr_framework_headless: the scripted backend that native tests and tools
# run whole programs on; scr_framework_win32 and scr_winmain (the process start) on Windows.
add_library(scr_framework STATIC
  ${CMAKE_CURRENT_LIST_DIR}/application.cpp
  ${CMAKE_CURRENT_LIST_DIR}/automation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mci_media_player.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transition_control.cpp)
target_include_directories(scr_framework PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(scr_framework PUBLIC scr_base scr_transition)

add_library(scr_framework_headless STATIC
  ${CMAKE_CURRENT_LIST_DIR}/headless/headless_application.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless/headless_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless/headless_backend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless/headless_automation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless/headless_media_player.cpp)
target_link_libraries(scr_framework_headless PUBLIC scr_framework)

if(WIN32)
  add_library(scr_framework_win32 STATIC
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_application.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_backend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_services.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/stretch_draw.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_automation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_activex.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/win32_media_player.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32/present_bitmap.cpp)
  target_link_libraries(scr_framework_win32 PUBLIC scr_framework ole32 oleaut32 uuid gdi32 user32 winmm advapi32 shell32)
  # An object library: WinMain must be in the link before the C runtime asks for it.
  add_library(scr_winmain OBJECT ${CMAKE_CURRENT_LIST_DIR}/win32/winmain.cpp)
  target_link_libraries(scr_winmain PUBLIC scr_framework_win32)
endif()
scr_small(scr_framework scr_framework_headless)
if(WIN32)
  scr_small(scr_framework_win32)
  # Every frame passes through here: it keeps the speed of the rest of the engine.
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/win32/present_bitmap.cpp PROPERTIES COMPILE_OPTIONS -O2)
endif()
