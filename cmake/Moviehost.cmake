# Project-wide compiler settings shared by every folder.

# The warnings every target of ours compiles with. They live on a target, not
# in the directory's flags, so that a project that adds ours as a
# subdirectory keeps its own flags; moviehost_use_warnings() links it.
add_library(moviehost_warnings INTERFACE)
target_compile_options(moviehost_warnings INTERFACE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
# GCC 12 at -O2 and above warns inside libstdc++ for `"literal" + std::string`
# (a false -Wrestrict, GCC bug 105651); the code it points at is the library's.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(moviehost_warnings INTERFACE -Wno-restrict)
endif()
if(MOVIEHOST_WERROR)
  target_compile_options(moviehost_warnings INTERFACE -Werror)
endif()

# moviehost_use_warnings(<directory>)
# Links moviehost_warnings into every target that compiles code in the
# directory and below it. Called once, after all folders are added, so a new
# target needs no line of its own. BUILD_INTERFACE keeps the warnings out of
# what the package exports.
function(moviehost_use_warnings directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:moviehost_warnings>)
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    moviehost_use_warnings(${subdirectory})
  endforeach()
endfunction()

if(MOVIEHOST_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(Threads REQUIRED)

# Where the package puts our control, and the same folder as seen from the
# folder of the installed executables. The loader looks in both.
set(MOVIEHOST_CONTROL_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/moviehost)
file(RELATIVE_PATH MOVIEHOST_CONTROL_DIR_FROM_BINDIR ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBDIR}/moviehost)
