# The Debian package, made by `cpack -G DEB` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrove)
set(CPACK_PACKAGE_VENDOR "The Kestrove developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestrove maintainers <maintainers@users.noreply.c-seed-9af7d092.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fill database tables with random test records over ODBC")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrove fills the tables of a relational database with meaningful but random
test records, through ODBC. A profile says, per table, how many records to make
and whether to delete the existing rows first, and per column a generating
choice (surname, town with its county, date in a range, counter, a value from
another table, and many more). Person and address data agree within a record.

The package holds the Kestrove window (kestrove), the headless runner
(kestrove-run), the named profile tool (kestrove-profile) and the lookup list
tool (kestrove-lists), with the shipped lookup lists and example profiles.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link, as dpkg-shlibdeps finds them; the ODBC
# drivers are loaded at run time, so they are recommendations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsqliteodbc, odbc-postgresql, odbc-mariadb")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
include(CPack)
