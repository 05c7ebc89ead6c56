#include "Look.h"

#include <QCoreApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void applyJapaneseLook()
{
    static bool applied = false;
    if (applied || !QCoreApplication::instance())
        return;
    applied = true;

    // The proportional face first: "MS UI Gothic" is proportional too, and the labels were
    // sized for it (the fixed-pitch IPAGothic cuts "送信者アドレス" and "ＳＭＴＰサーバ" short).
    QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"),
        {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
            QStringLiteral("Noto Sans CJK JP")});

    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
