# Each folder lists its files in its own sources.cmake:
#   VARNOOK_PORTABLE_SOURCES  build natively and for Windows (no windows.h)
#   VARNOOK_WIN32_SOURCES     Windows build only (platform services, windows, dialogs)
#   VARNOOK_NATIVE_SOURCES    native build only (substitutes for Windows services)
set(VARNOOK_PORTABLE_SOURCES)
set(VARNOOK_WIN32_SOURCES)
set(VARNOOK_NATIVE_SOURCES)
foreach(dir core edit cli app platform)
  include(${CMAKE_SOURCE_DIR}/${dir}/sources.cmake OPTIONAL)
endforeach()

if(VARNOOK_WINDOWS)
  add_library(varnook_core STATIC ${VARNOOK_PORTABLE_SOURCES} ${VARNOOK_WIN32_SOURCES})
  set(VARNOOK_WINDOW_DLLS comctl32 comdlg32 shell32 shlwapi ole32 version msimg32 uxtheme wininet bcrypt)
  if(MINGW)
    include(${CMAKE_SOURCE_DIR}/cmake/DelayLoad.cmake)
    varnook_delay_load(windowLibs ${VARNOOK_WINDOW_DLLS})
  else()
    set(windowLibs ${VARNOOK_WINDOW_DLLS})
  endif()
  target_link_libraries(varnook_core PUBLIC advapi32 user32 gdi32 ${windowLibs} uuid)
  target_compile_definitions(varnook_core PUBLIC VARNOOK_PRODUCT_SITE="https://varnook.example")

  configure_file(${CMAKE_SOURCE_DIR}/res/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
  set(VARNOOK_RC ${CMAKE_SOURCE_DIR}/res/varnook.rc)
  set_property(SOURCE ${VARNOOK_RC} APPEND PROPERTY OBJECT_DEPENDS
               ${CMAKE_SOURCE_DIR}/res/varnook.manifest ${CMAKE_SOURCE_DIR}/res/varnook.ico
               ${CMAKE_SOURCE_DIR}/res/logo.ico ${CMAKE_SOURCE_DIR}/res/logo-2x.ico
               ${CMAKE_BINARY_DIR}/generated/version.h
               ${CMAKE_SOURCE_DIR}/res/dialogs.rc ${CMAKE_SOURCE_DIR}/res/optionsdialogs.rc ${CMAKE_SOURCE_DIR}/res/update.rc
               ${CMAKE_SOURCE_DIR}/res/resource.h)
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_BINARY_DIR}/generated -I${CMAKE_SOURCE_DIR}")
  if(MINGW)
    set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
  endif()
  # A redrawn icon must rebuild the resources.
  file(GLOB VARNOOK_ICONS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/icons/*.ico)
  set_property(SOURCE ${VARNOOK_RC} APPEND PROPERTY OBJECT_DEPENDS
               ${CMAKE_SOURCE_DIR}/res/icons.rc ${CMAKE_SOURCE_DIR}/res/varnook.ico ${VARNOOK_ICONS})

  add_executable(varnook WIN32 app/main.cpp ${VARNOOK_RC})
  target_link_libraries(varnook PRIVATE varnook_core)
  if(MINGW)
    target_link_options(varnook PRIVATE -municode $<$<NOT:$<CONFIG:Debug>>:-s>)
  endif()
  include(${CMAKE_SOURCE_DIR}/cmake/Catalogs.cmake)
else()
  add_library(varnook_core STATIC ${VARNOOK_PORTABLE_SOURCES} ${VARNOOK_NATIVE_SOURCES})
  # The stand-in for the system's cryptography (update signatures).
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  target_link_libraries(varnook_core PUBLIC OpenSSL::Crypto)
endif()
target_include_directories(varnook_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
