# The distribution's hardening for the builds the package is made from: fortified C library
# calls, stack protector, format checks, full RELRO with immediate binding, PIE.
# dpkg-buildflags has the final word where it exists, so a packager's DEB_BUILD_MAINT_OPTIONS
# still apply; elsewhere the same flags are used. Optimisation and debug info stay the build
# type's.
option(VELMAR_HARDENING "Build with the distribution's hardening flags" OFF)
if(NOT VELMAR_HARDENING)
  return()
endif()

set(velmar_hardening_CPPFLAGS -D_FORTIFY_SOURCE=2)
set(velmar_hardening_CXXFLAGS -fstack-protector-strong -Wformat -Werror=format-security)
set(velmar_hardening_LDFLAGS -Wl,-z,relro -Wl,-z,now)
find_program(VELMAR_DPKG_BUILDFLAGS dpkg-buildflags)
if(VELMAR_DPKG_BUILDFLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    # Debian leaves immediate binding out by default; +all asks for it.
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env
              "DEB_BUILD_MAINT_OPTIONS=hardening=+all $ENV{DEB_BUILD_MAINT_OPTIONS}"
              ${VELMAR_DPKG_BUILDFLAGS} --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE status)
    if(status EQUAL 0)
      separate_arguments(flags UNIX_COMMAND "${flags}")
      list(FILTER flags EXCLUDE REGEX "^-[gO]")
      set(velmar_hardening_${kind} ${flags})
    endif()
  endforeach()
endif()
list(JOIN velmar_hardening_CPPFLAGS " " compile)
list(JOIN velmar_hardening_CXXFLAGS " " compile_more)
list(JOIN velmar_hardening_LDFLAGS " " link)
message(STATUS "Hardening: compile ${compile} ${compile_more}; link ${link}")

add_compile_options(${velmar_hardening_CPPFLAGS} ${velmar_hardening_CXXFLAGS})
add_link_options(${velmar_hardening_LDFLAGS})
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
