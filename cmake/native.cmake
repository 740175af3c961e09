# The native tree: the authoring tool, the unit tests, the fuzz targets and the benchmark.
add_compile_options(-Wall -Wextra)
if(WB_FUZZ)
    # The libraries are instrumented too, so the fuzzer sees coverage inside them.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(WB_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

include(cmake/lzma_sdk.cmake)

file(GLOB WB_PLATFORM_POSIX CONFIGURE_DEPENDS src/platform/posix/*.cpp)
add_library(wbcore STATIC ${WB_CORE_SOURCES})
target_include_directories(wbcore PUBLIC src)
target_link_libraries(wbcore PUBLIC wblzmadec)
add_library(wbplatform_posix STATIC ${WB_PLATFORM_POSIX})
add_library(wbuninstall STATIC ${WB_UNINSTALL_SOURCES})
target_include_directories(wbuninstall PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(wbuninstall PUBLIC wbcore)
target_include_directories(wbplatform_posix PUBLIC src)

# The authoring tool links the real host file service; the core's other platform
# services are never reached from it.
file(GLOB WBPACK_LIB_SOURCES CONFIGURE_DEPENDS tools/wbpack/*.cpp tools/wbpack/platform/*.cpp
     tools/wbpack/authoring/*.cpp tools/wbpack/publishing/*.cpp tools/wbpack/inspection/*.cpp
     src/blocks/compress/*.cpp)
list(FILTER WBPACK_LIB_SOURCES EXCLUDE REGEX ".*/main\\.cpp$")
add_library(wbpacklib STATIC ${WBPACK_LIB_SOURCES})
target_include_directories(wbpacklib PUBLIC src tools)
target_link_libraries(wbpacklib PUBLIC wbcore wbplatform_posix wblzmaenc)
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/wbpack/main.cpp)
    add_executable(wbpack tools/wbpack/main.cpp)
    target_link_libraries(wbpack PRIVATE wbpacklib)
endif()

# Product code stays warning-free; test code keeps warnings as warnings, as the test
# framework's macros trip some.
foreach(target wbcore wbplatform_posix wbuninstall wbpacklib wbpack)
    if(TARGET ${target})
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endforeach()

if(WB_FUZZ)
    include(cmake/fuzz.cmake)
    return()
endif()

enable_testing()
add_subdirectory(tests)
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/CMakeLists.txt)
    add_subdirectory(bench)
endif()
