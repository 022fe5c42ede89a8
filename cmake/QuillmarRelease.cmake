# What the documents of a release carry besides the program: the release date
# in the forms they need, and the man pages. The version and the ISO release
# date themselves are set once, in the root CMakeLists.txt.

include(GNUInstallDirs)

if(NOT QUILLMAR_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
  message(FATAL_ERROR "QUILLMAR_RELEASE_DATE must be YYYY-MM-DD, not '${QUILLMAR_RELEASE_DATE}'")
endif()
set(QUILLMAR_RELEASE_YEAR ${CMAKE_MATCH_1})
set(_day_text ${CMAKE_MATCH_3})
math(EXPR _month "${CMAKE_MATCH_2}")
math(EXPR _day "${_day_text}")
if(_month LESS 1 OR _month GREATER 12 OR _day LESS 1 OR _day GREATER 31)
  message(FATAL_ERROR "QUILLMAR_RELEASE_DATE ${QUILLMAR_RELEASE_DATE} is not a date")
endif()

# The Debian changelog wants RFC 2822 ("Tue, 08 Dec 2026 00:00:00 +0000"), whose
# weekday comes from Sakamoto's method (0 is Sunday).
set(_year ${QUILLMAR_RELEASE_YEAR})
if(_month LESS 3)
  math(EXPR _year "${_year} - 1")
endif()
math(EXPR _month_index "${_month} - 1")
set(_month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
set(_weekdays Sun Mon Tue Wed Thu Fri Sat)
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET _month_offsets ${_month_index} _month_offset)
math(EXPR _weekday "(${_year} + ${_year} / 4 - ${_year} / 100 + ${_year} / 400 + ${_month_offset} + ${_day}) % 7")
list(GET _weekdays ${_weekday} _weekday_name)
list(GET _months ${_month_index} _month_name)
set(QUILLMAR_RELEASE_DATE_RFC2822
    "${_weekday_name}, ${_day_text} ${_month_name} ${QUILLMAR_RELEASE_YEAR} 00:00:00 +0000")

# Man pages and the Debian doc folder are for Unix systems only.
if(UNIX)
  find_program(QUILLMAR_GZIP gzip REQUIRED)
endif()

# quillmar_gzip(<file>): builds <file>.gz with every build, the way Debian wants
# it: best compression, and no name or timestamp, so that builds are reproducible.
function(quillmar_gzip file)
  add_custom_command(OUTPUT ${file}.gz
                     COMMAND ${QUILLMAR_GZIP} -9nkf ${file}
                     DEPENDS ${file}
                     VERBATIM)
  file(RELATIVE_PATH name ${PROJECT_BINARY_DIR} ${file})
  string(MAKE_C_IDENTIFIER "gzip_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${file}.gz)
endfunction()

# quillmar_install_man_page(<program> <section>)
#   Configures data/man/<program>.<section>.in, compresses it and installs it
#   into ${CMAKE_INSTALL_MANDIR}/man<section>, e.g.
#     quillmar_install_man_page(quillmar 1)
#   Placeholders: @PROJECT_VERSION@, @QUILLMAR_RELEASE_DATE@ (ISO), and any other
#   variable set here or in the root CMakeLists.txt.
function(quillmar_install_man_page program section)
  if(NOT UNIX)
    return()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.${section})
  configure_file(${PROJECT_SOURCE_DIR}/data/man/${program}.${section}.in ${page} @ONLY)
  quillmar_gzip(${page})
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
