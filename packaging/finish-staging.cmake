# Run by CPack on its staging tree before it builds the package, doing what Debian's helpers
# would: man pages and the changelog gzipped at best compression and without a time stamp, and
# the programs without the compiler's comment section.
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")

file(GLOB pages "${usr}/share/man/man*/*.[1-9]")
foreach(file IN LISTS pages ITEMS "${usr}/share/doc/${CPACK_PACKAGE_NAME}/changelog")
  if(EXISTS "${file}")
    execute_process(COMMAND gzip -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()

file(GLOB programs "${usr}/bin/*" "${usr}/libexec/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${program}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
