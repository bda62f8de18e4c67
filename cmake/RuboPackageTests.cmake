# Included from tests/CMakeLists.txt. The Wine tests run in prefixes of their
# own, made anew by their scripts.
if(NOT (CMAKE_CROSSCOMPILING AND WIN32))
    return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(rubo_wine_preset win64)
else()
    set(rubo_wine_preset win32)
endif()

# The name RUBO gives each Windows version the prefix reports.
if(TARGET test_base)
    add_test(NAME os_version_wine
             COMMAND ${CMAKE_SOURCE_DIR}/tests/base/run-os-version-tests ${rubo_wine_preset}
                     ${CMAKE_BINARY_DIR}/wineprefix-os-version $<TARGET_FILE:test_base>)
    set_tests_properties(os_version_wine PROPERTIES TIMEOUT 300)
endif()

# The download of the product (i686): packed from this build's rubo.exe by
# scripts/package, unpacked into a clean prefix with the virtual drive and
# started there, also from a folder it cannot write to.
if(rubo_wine_preset STREQUAL win32 AND TARGET test_package AND TARGET rubo AND TARGET vdrivectl)
    add_test(NAME package_wine
             COMMAND ${CMAKE_SOURCE_DIR}/tests/package/run-package-tests ${CMAKE_BINARY_DIR}
                     $<TARGET_FILE:rubo> $<TARGET_FILE:test_package>)
    set_tests_properties(package_wine PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_virtual_drive
        ENVIRONMENT "ALSA_CONFIG_PATH=${CMAKE_BINARY_DIR}/alsa-null.conf")
    add_dependencies(test_package rubo)
endif()

# The product starts on Windows XP: every function its rubo.exe imports is
# in the list of the ones XP's system DLLs export (read from the built file
# by objdump, no Wine). The x86_64 build is a test build and not checked.
if(rubo_wine_preset STREQUAL win32 AND TARGET rubo AND CMAKE_OBJDUMP)
    add_test(NAME xp_imports
             COMMAND ${CMAKE_SOURCE_DIR}/tests/package/check-imports ${CMAKE_OBJDUMP}
                     $<TARGET_FILE:rubo> ${CMAKE_SOURCE_DIR}/tests/package/xp-imports.txt)
endif()
