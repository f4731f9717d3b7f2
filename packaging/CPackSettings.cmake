# The Debian package of Velmorante: what CPack puts in the control file. Its Depends line is found
# from the installed programs' libraries; nothing needed only for building lands there.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmorante)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmorante Instrumentos")
set(CPACK_PACKAGE_CONTACT "Velmorante Instrumentos <ventas@velmorante.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.velmorante.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# PAM's configuration and modules, for the signing service in /etc/pam.d; libpam itself comes from
# the libraries found above.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpam-runtime, libpam-modules")
# The PAM service file is the administrator's to change: kept over upgrades, removed on purge.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/conffiles)
# Arial-compatible fonts for the windows' texts, and Qt's Spanish texts for its standard dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "humidity and temperature logger: status, download, charts")
# The summary above is the first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velmorante talks over a serial port to a battery-powered 12-bit data logger
of relative humidity and temperature: it shows the logger's status live, sets
its clock and sample rate, downloads the stored samples, saves them to a text
file and draws charts that can be zoomed, copied and printed. The windows are
in Spanish. The package also holds velmorante-cli, the same functions from a
terminal, and velmorante-logger, a logger emulator for trying it out.
.
Velmorante se comunica por el puerto serie con un logger de humedad relativa
y temperatura de 12 bits: muestra su estado en vivo, pone en hora el reloj y
cambia la frecuencia de muestreo, descarga las muestras guardadas, las guarda
en un archivo de texto y dibuja gráficos que se pueden ampliar, copiar e
imprimir.")

include(CPack)
