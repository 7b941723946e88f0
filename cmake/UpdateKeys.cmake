# The update check trusts one public key, the release key: a build setting holding its point in
# hex (04 || X || Y). Without it the build makes a test key pair of its own in the build tree
# (never in the repository) and trusts that one, which is what the tests and the test server use.
set(VARNOOK_UPDATE_SERVER "https://varnook.example" CACHE STRING "Address of the update server")
set(VARNOOK_UPDATE_PUBLIC_KEY "" CACHE STRING "Release public key for update replies (hex, 04 || X || Y)")

set(VARNOOK_UPDATE_KEY_DIR ${CMAKE_BINARY_DIR}/update-keys)
execute_process(COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/update-keys ${VARNOOK_UPDATE_KEY_DIR}
                        ${CMAKE_BINARY_DIR}/generated/UpdateTestVectors.h
                RESULT_VARIABLE updateKeysResult)
if(NOT updateKeysResult EQUAL 0)
  message(FATAL_ERROR "tools/update-keys failed (python3 and openssl are needed)")
endif()
if(VARNOOK_UPDATE_PUBLIC_KEY STREQUAL "")
  file(READ ${VARNOOK_UPDATE_KEY_DIR}/release-test.pub VARNOOK_UPDATE_TRUSTED_KEY)
  message(STATUS "Update replies are trusted when signed by the build's test key (${VARNOOK_UPDATE_KEY_DIR})")
else()
  set(VARNOOK_UPDATE_TRUSTED_KEY ${VARNOOK_UPDATE_PUBLIC_KEY})
endif()
string(STRIP "${VARNOOK_UPDATE_TRUSTED_KEY}" VARNOOK_UPDATE_TRUSTED_KEY)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/UpdateSettings.h CONTENT
"// Build settings of the update check.
#pragma once
#define VARNOOK_UPDATE_SERVER \"@VARNOOK_UPDATE_SERVER@\"
#define VARNOOK_UPDATE_PUBLIC_KEY \"@VARNOOK_UPDATE_TRUSTED_KEY@\"
" @ONLY)
