# The same commit gives the same bytes, whoever builds it and in whichever folder.
#
# Every Windows build: the linker leaves the PE header's and the export directory's time stamps
# at zero (it would otherwise write the time of the link).
#
# A release build (-DDEVVORIN_RELEASE=ON, scripts/release.sh) also maps the source and build
# folders to fixed names in everything the compiler writes (__FILE__, debug information), strips
# the programs as it links them (a separate strip of a DLL stamps its PE header with the current
# time) and hardens the Linux programs as Debian's own packages are.
option(DEVVORIN_RELEASE "Build as a release: folders mapped, stripped, hardened" OFF)

if(WIN32)
  add_link_options(LINKER:--no-insert-timestamp)
endif()

if(DEVVORIN_RELEASE)
  add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
                      -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
  add_link_options(-s)
  set(CMAKE_SKIP_RPATH ON)
  if(NOT WIN32)
    add_compile_definitions(_FORTIFY_SOURCE=2)
    add_compile_options(-fstack-protector-strong -fstack-clash-protection -fcf-protection
                        -Wdate-time)
    add_link_options(LINKER:-z,relro LINKER:-z,now)
  endif()
endif()
