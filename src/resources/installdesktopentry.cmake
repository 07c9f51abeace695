# Run by `cmake --install`: writes the desktop entry with the installed program's whole
# path and installs it. The top-level CMakeLists.txt sets the HORALUX_* names before it.
foreach(dir BINDIR DATADIR)
  if(NOT IS_ABSOLUTE "${HORALUX_INSTALL_${dir}}")
    set(HORALUX_INSTALL_${dir} "${CMAKE_INSTALL_PREFIX}/${HORALUX_INSTALL_${dir}}")
  endif()
endforeach()

# Exec is quoted whole, so that a prefix may hold spaces. Inside the quotes ", `, $ and \
# take a backslash; the entry's own string escapes then double every backslash; and a % is
# written %% so that it is not read as a field code.
set(exec "${HORALUX_INSTALL_BINDIR}/Horalux")
set(backslash [[\]])
string(REPLACE "${backslash}" "${backslash}${backslash}${backslash}${backslash}" exec "${exec}")
foreach(c [["]] [[`]] [[$]])
  string(REPLACE "${c}" "${backslash}${backslash}${c}" exec "${exec}")
endforeach()
string(REPLACE "%" "%%" exec "${exec}")
set(HORALUX_DESKTOP_EXEC "\"${exec}\"")

# Each destination is written through a folder of its own, so that two installs at once
# into different prefixes do not take each other's entry.
string(MD5 staging_key "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(staged "${HORALUX_DESKTOP_STAGING}/${staging_key}/${HORALUX_DESKTOP_ID}.desktop")
file(READ "${HORALUX_DESKTOP_TEMPLATE}" entry)
string(CONFIGURE "${entry}" entry @ONLY)
file(WRITE "${staged}" "${entry}")
file(INSTALL "${staged}" DESTINATION "${HORALUX_INSTALL_DATADIR}/applications")
