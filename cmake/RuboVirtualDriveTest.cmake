# One CTest entry that prepares PREFIX with the virtual CD drive
# (tools/virtual-drive) and runs the test program's "wine-drive" cases
# there; WINVER (optional) is the Windows version the prefix reports. The
# drive's own tests and the tests of the program against it use it.
function(rubo_add_virtual_drive_test name prefix program)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(vdrive_preset win64)
    else()
        set(vdrive_preset win32)
    endif()
    add_test(NAME ${name}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/run-virtual-drive-tests ${vdrive_preset}
                     ${prefix} ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/tests/${program}.exe ${ARGN})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600 RESOURCE_LOCK wine_virtual_drive)
endfunction()
