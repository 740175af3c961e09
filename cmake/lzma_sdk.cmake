# The LZMA codec from Debian's lzma-dev (public-domain C sources), compiled into two small
# libraries: the decoder for the installer and everything that reads Packages, the encoder
# for wbpack. Single-threaded: the library's threaded match finder is not shipped there,
# and the stub has one thread anyway. Their code keeps its own warnings, not ours.
enable_language(C)
set(WB_LZMA_SDK_DIR "/usr/include/lzma" CACHE PATH "The LZMA SDK C sources (lzma-dev)")
if(NOT EXISTS ${WB_LZMA_SDK_DIR}/LzmaDec.c)
    message(FATAL_ERROR "LZMA SDK sources not found in ${WB_LZMA_SDK_DIR}: run ./wb deps")
endif()

add_library(wblzmadec STATIC ${WB_LZMA_SDK_DIR}/LzmaDec.c)
add_library(wblzmaenc STATIC ${WB_LZMA_SDK_DIR}/LzmaEnc.c ${WB_LZMA_SDK_DIR}/LzFind.c)
foreach(target wblzmadec wblzmaenc)
    # Only the SDK's own folder: for MinGW, /usr/include must never come into view.
    target_include_directories(${target} SYSTEM PUBLIC ${WB_LZMA_SDK_DIR})
    target_compile_definitions(${target} PUBLIC _7ZIP_ST)
    target_compile_options(${target} PRIVATE -w)
    set_target_properties(${target} PROPERTIES C_STANDARD 99 POSITION_INDEPENDENT_CODE ON)
endforeach()
target_link_libraries(wblzmaenc PUBLIC wblzmadec)
