#include "app/ProcessFormats.h"

#include <QLocale>

void ApplyProcessFormats() {
  // Spanish as written in Spain: "," before decimals and "." between thousands. The windows
  // format times and dates with explicit patterns, so only the separators come from here.
  QLocale locale(QLocale::Spanish, QLocale::Spain);
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  QLocale::setDefault(locale);
}
