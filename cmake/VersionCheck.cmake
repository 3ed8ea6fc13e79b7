# The version lives in project(); the window's caption, the package's changelog and the
# AppStream release list repeat it, so configuring fails when one of them was not updated.

function(kelm_expect_version file regex what)
  file(STRINGS "${file}" lines REGEX "${regex}" LIMIT_COUNT 1)
  string(REGEX MATCH "${regex}" found "${lines}")
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${what} in ${file} says version '${CMAKE_MATCH_1}', the project is "
                        "${PROJECT_VERSION}; update one of them.")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
endfunction()

kelm_expect_version("${PROJECT_SOURCE_DIR}/resources/fwupdate.ui"
  "<string>Kelm Firmware Update Utility v([0-9.]+)</string>" "The window caption")
kelm_expect_version("${PROJECT_SOURCE_DIR}/packaging/changelog"
  "^kelm-fwupdate \\(([0-9.]+)\\)" "The newest changelog entry")
kelm_expect_version("${PROJECT_SOURCE_DIR}/programs/fwupdate-linux/kelm-fwupdate.metainfo.xml"
  "<release version=\"([0-9.]+)\"" "The newest AppStream release")
