# The window's design as a C++ table, made from resources/fwupdate.ui by the build, for a face
# that cannot load the form itself (and for the test that holds it against the form):
#
#   kelm_window_design(<output header>)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(kelm_window_design output)
  set(script "${PROJECT_SOURCE_DIR}/window/win32/generate_design.py")
  set(form "${PROJECT_SOURCE_DIR}/resources/fwupdate.ui")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND Python3::Interpreter "${script}" "${form}" "${output}"
    DEPENDS "${script}" "${form}"
    COMMENT "Window design table from fwupdate.ui")
endfunction()
