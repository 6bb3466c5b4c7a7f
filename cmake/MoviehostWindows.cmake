# Settings of the Windows build (cross-compiled with mingw-w64).

# The C and C++ runtimes (and the thread library) are linked in, so every
# program and library runs from bin/ with nothing else installed.
add_link_options(-static -static-libgcc -static-libstdc++)
# Static libraries land in bin/ too, beside the DLLs and programs.
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
# The SDK's headers leave min and max alone and stay lean.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN UNICODE _UNICODE)
# DLLs are named as Windows names them: no "lib" in front.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_SHARED_MODULE_PREFIX "")
