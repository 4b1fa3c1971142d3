# Where CUPS looks for the driver's files, as paths relative to the install
# prefix, so that an install with the prefix /usr lands where the system's
# CUPS finds it and any other prefix gets the same layout below it.
#   IMPACT_CUPS_SERVERBIN  e.g. lib/cups        (cups-config --serverbin)
#   IMPACT_CUPS_FILTERDIR  e.g. lib/cups/filter
#   IMPACT_PPDDIR          share/ppd/rastertoimpact, a place cups-driverd searches

find_program(CUPS_CONFIG_EXECUTABLE cups-config)

# The output of cups-config for one query with a leading /usr/ or / removed,
# or the fallback when cups-config is missing or answers nothing.
function(impact_cups_relative_dir out query fallback)
  set(dir "")
  if(CUPS_CONFIG_EXECUTABLE)
    execute_process(COMMAND ${CUPS_CONFIG_EXECUTABLE} ${query}
                    OUTPUT_VARIABLE dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(dir STREQUAL "")
    set(dir ${fallback})
  elseif(dir MATCHES "^/usr/(.+)$")
    set(dir ${CMAKE_MATCH_1})
  elseif(dir MATCHES "^/(.+)$")
    set(dir ${CMAKE_MATCH_1})
  endif()
  set(${out} ${dir} PARENT_SCOPE)
endfunction()

impact_cups_relative_dir(IMPACT_CUPS_SERVERBIN --serverbin lib/cups)
set(IMPACT_CUPS_FILTERDIR ${IMPACT_CUPS_SERVERBIN}/filter)
set(IMPACT_PPDDIR ${CMAKE_INSTALL_DATADIR}/ppd/rastertoimpact)
