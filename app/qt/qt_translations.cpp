#include "app/qt/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "base/messages.h"

bool InstallQtTranslations(int languageOffset) {
  static QTranslator* installed = nullptr;
  if (installed != nullptr) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  if (languageOffset != kFrenchOffset) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return false;
  }
  const QLocale french(QLocale::French, QLocale::France);
  QLocale::setDefault(french);
  auto* translator = new QTranslator;
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(french, "qtbase", "_", folder)) {
    std::fprintf(stderr, "kznload: Qt's French texts (qtbase_fr.qm) are not in %s\n",
                 qPrintable(folder));
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
  return true;
}
