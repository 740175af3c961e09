# The Windows programs: small, static, importing only system DLLs.
enable_language(RC)
# No -fdata-sections: with it MinGW's GCC writes every zero-initialised global out as zeros
# in .data instead of leaving it to .bss (20 KB of window tables in the stub alone).
add_compile_options(-Os -ffunction-sections -fno-exceptions -fno-rtti
                    -fno-asynchronous-unwind-tables -Wall -Wextra -Wno-cast-function-type)
add_compile_definitions(__USE_MINGW_ANSI_STDIO=0 WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600 WINVER=0x0600)
# 64-bit Windows began with version 5.2; the 32-bit programs still start on 5.1.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(WB_SUBSYSTEM_MINOR 2)
else()
    set(WB_SUBSYSTEM_MINOR 1)
endif()
add_link_options(-static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections
                 -Wl,--nxcompat -Wl,--dynamicbase -Wl,--major-subsystem-version,5
                 -Wl,--minor-subsystem-version,${WB_SUBSYSTEM_MINOR})

include(cmake/lzma_sdk.cmake)

file(GLOB WB_PLATFORM_WIN32 CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(wbcore STATIC ${WB_CORE_SOURCES} ${WB_PLATFORM_WIN32})
target_include_directories(wbcore PUBLIC src)
target_link_libraries(wbcore PUBLIC wblzmadec)
# Only the system's known DLLs are imported; every other library (comctl32, version,
# riched20, setupapi...) is loaded at run time from the system folder (LoadSystemLibrary),
# so a DLL left beside a downloaded setup is never taken instead.
target_link_libraries(wbcore PUBLIC ole32 oleaut32 uuid shell32 comdlg32 advapi32
                      user32 gdi32 kernel32)

file(GLOB WB_STUB_SOURCES CONFIGURE_DEPENDS src/startup/*_win32.cpp src/ui/*_win32.cpp
     src/install/*_win32.cpp)
# The stub links its own copy of the core, compiled for link-time optimisation as the
# uninstaller is: seeing all files at once, the compiler inlines and drops across them what
# each file alone must keep (a fifth of the stub). The test programs and wbpack link the
# plain library, which builds faster. One partition: GCC 12 stops with an internal error
# (binds_to_current_def_p) when it splits the stub into several. Measured and left out:
# the LZMA decoder in the same optimisation (+512 bytes), -ffunction-sections on the
# optimised link (+512), -Oz for the stub (-1.5 KB, on the unpacking code too).
add_library(wbstubcore STATIC ${WB_CORE_SOURCES} ${WB_PLATFORM_WIN32})
get_target_property(_core_links wbcore INTERFACE_LINK_LIBRARIES)
target_include_directories(wbstubcore PUBLIC src)
target_link_libraries(wbstubcore PUBLIC ${_core_links})
set(WB_STUB_MANIFEST ${CMAKE_SOURCE_DIR}/src/startup/wbsetup.rc)
set_source_files_properties(${WB_STUB_MANIFEST} PROPERTIES
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/src/startup/wbsetup.manifest)
add_executable(wbsetup WIN32 ${WB_STUB_SOURCES} ${WB_STUB_MANIFEST})
target_link_libraries(wbsetup PRIVATE wbstubcore)
# The map shows what each part costs when the stub's size jumps.
target_link_options(wbsetup PRIVATE -Wl,-Map=${CMAKE_BINARY_DIR}/wbsetup.map)

# The uninstaller that every setup with uninstall support carries: as small as the stub.
# It compiles the few core files it needs itself, so that link-time optimisation can see
# across all of them.
file(GLOB WB_UNINSTALL_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/uninstaller/platform/*_win32.cpp)
set(WB_UNINSTALL_CORE_SOURCES src/config/pref_file.cpp src/config/registry_text.cpp
    src/contract/contract.cpp src/handover/log_reader.cpp src/log/install_log.cpp)
foreach(name files wide_names registry process shell heap no_exceptions window launch system_info dpi scope)
    list(APPEND WB_UNINSTALL_CORE_SOURCES src/platform/win32/${name}.cpp)
endforeach()
set(WB_UNINSTALL_MANIFEST ${CMAKE_SOURCE_DIR}/uninstaller/uninstall.rc)
set_source_files_properties(${WB_UNINSTALL_MANIFEST} PROPERTIES
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/uninstaller/uninstall.manifest)
add_executable(uninstall WIN32 ${WB_UNINSTALL_SOURCES} ${WB_UNINSTALL_WIN32_SOURCES}
               ${WB_UNINSTALL_CORE_SOURCES} ${WB_UNINSTALL_MANIFEST})
target_include_directories(uninstall PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_compile_options(uninstall PRIVATE -flto)
target_link_options(uninstall PRIVATE -flto -Os -Wl,-Map=${CMAKE_BINARY_DIR}/uninstall.map)
target_link_libraries(uninstall PRIVATE ole32 shell32 advapi32 user32 gdi32 kernel32)

# A test build of the stub that also writes what start-up settled beside itself.
add_executable(wbsetup_probe WIN32 ${WB_STUB_SOURCES} ${WB_STUB_MANIFEST})
target_compile_definitions(wbsetup_probe PRIVATE WB_PROBE)
target_link_libraries(wbsetup_probe PRIVATE wbstubcore)
foreach(target wbstubcore wbsetup wbsetup_probe)
    set_target_properties(${target} PROPERTIES INTERPROCEDURAL_OPTIMIZATION ON)
endforeach()
foreach(target wbsetup wbsetup_probe)
    target_link_options(${target} PRIVATE -flto-partition=one)
endforeach()

# Test programs that run beside the installer under Wine.
file(GLOB WB_E2E_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/win32/*.cpp)
# A test program with a resource script of the same name (version resources) gets it too.
enable_language(RC)
foreach(src ${WB_E2E_WIN32_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    get_filename_component(dir ${src} DIRECTORY)
    if(EXISTS ${dir}/${name}.rc)
        add_executable(${name} ${src} ${dir}/${name}.rc)
    else()
        add_executable(${name} ${src})
    endif()
    # Hook stand-ins are window programs, as real hooks are: a console program started by
    # the installer would get a console host working in the temporary setup folder.
    if(name STREQUAL "wbhook")
        target_link_options(${name} PRIVATE -mwindows)
    else()
        target_link_options(${name} PRIVATE -mconsole)
    endif()
    target_link_libraries(${name} PRIVATE wbcore)
endforeach()

# Stand-ins for the DLLs a planted copy of would hijack a setup started from a shared folder:
# each writes "<name>.loaded" beside itself when a process loads it.
foreach(name comctl32 version riched20 uxtheme)
    add_library(planted_${name} SHARED ${CMAKE_SOURCE_DIR}/tests/e2e/planted/planted_dll.cpp)
    set_target_properties(planted_${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
        RUNTIME_OUTPUT_DIRECTORY ${WB_BIN_DIR}/planted)
    target_compile_definitions(planted_${name} PRIVATE WB_PLANTED_NAME="${name}")
    target_link_options(planted_${name} PRIVATE -static -Wl,--kill-at)
endforeach()

# A library for the Install task that registers one with regsvr32.
add_library(regtarget SHARED ${CMAKE_SOURCE_DIR}/tests/e2e/regtarget/regtarget_dll.cpp)
set_target_properties(regtarget PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${WB_BIN_DIR})
# Exported under their plain names, as regsvr32 looks them up (the 32-bit linker would
# otherwise decorate stdcall names with their argument size).
target_link_options(regtarget PRIVATE -static -Wl,--kill-at)

# The authoring tool as a Windows console program. It needs neither exceptions nor the
# stub's size tricks to be correct, so it shares the core library (and its ends-the-process
# answer to exhausted memory); large-address-aware lets the 32-bit build hold bigger
# Packages in memory (a 64-bit program has the room anyway).
file(GLOB WBPACK_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/wbpack/*.cpp
     ${CMAKE_SOURCE_DIR}/tools/wbpack/platform/*.cpp ${CMAKE_SOURCE_DIR}/tools/wbpack/authoring/*.cpp
     ${CMAKE_SOURCE_DIR}/tools/wbpack/publishing/*.cpp ${CMAKE_SOURCE_DIR}/tools/wbpack/inspection/*.cpp
     ${CMAKE_SOURCE_DIR}/src/blocks/compress/*.cpp)
add_executable(wbpack ${WBPACK_WIN32_SOURCES})
target_include_directories(wbpack PRIVATE ${CMAKE_SOURCE_DIR}/tools)
target_link_options(wbpack PRIVATE -mconsole)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(wbpack PRIVATE -Wl,--large-address-aware)
endif()
target_link_libraries(wbpack PRIVATE wbcore wblzmaenc)

# Product code stays warning-free in both architectures (the 32-bit build is never run
# here, so its warnings are the only report of its differences).
foreach(target wbcore wbstubcore wbsetup wbsetup_probe uninstall wbpack)
    target_compile_options(${target} PRIVATE -Werror)
endforeach()

# The example setup's own programs: ./wb demo stages them into a copy of examples/hello.
enable_language(RC)
set(WB_DEMO_DIR ${WB_BIN_DIR}/demo)
add_executable(demo_hello WIN32 ${CMAKE_SOURCE_DIR}/examples/programs/hello_app.cpp
               ${CMAKE_SOURCE_DIR}/examples/programs/hello_app.rc)
set_target_properties(demo_hello PROPERTIES OUTPUT_NAME Hello RUNTIME_OUTPUT_DIRECTORY ${WB_DEMO_DIR})
foreach(name BeforeWB AfterWB taskrun)
    add_executable(demo_${name} WIN32 ${CMAKE_SOURCE_DIR}/examples/programs/demo_hook.cpp)
    set_target_properties(demo_${name} PROPERTIES OUTPUT_NAME ${name}
                          RUNTIME_OUTPUT_DIRECTORY ${WB_DEMO_DIR})
endforeach()
