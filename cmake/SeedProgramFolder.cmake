# Copies the default files of assets/ into the program folder, never over a file that is
# already there: the Data folder holds the user's lists and settings after the first start.
file(GLOB_RECURSE defaults RELATIVE ${SRC} ${SRC}/*)
list(FILTER defaults EXCLUDE REGEX "README\\.md$")
foreach(rel IN LISTS defaults)
  if(NOT EXISTS ${DST}/${rel})
    get_filename_component(dir ${DST}/${rel} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(COPY ${SRC}/${rel} DESTINATION ${dir})
  endif()
endforeach()
foreach(dir Data Picture Music Sound Image Font/Upper Font/Lower)
  file(MAKE_DIRECTORY ${DST}/${dir})
endforeach()
