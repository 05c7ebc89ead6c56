#include "SampleDatabase.h"

#include "store/Connection.h"
#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''"))
        + QLatin1Char('\'');
}

QString lastKey(Connection &db)
{
    return db.execute(QStringLiteral("select max(ACCOUNT_NO) from ACCOUNT"))->text(0);
}

QString addFolder(Connection &db, const QString &parent, const QString &name)
{
    db.execute(QStringLiteral("INSERT INTO ACCOUNT(P_ACCOUNT_NO,KIND,NAME) VALUES(%1,'F',%2)")
                   .arg(parent, quoted(name)));
    return lastKey(db);
}

struct SampleAccount {
    QString name, sender, address, smtp, pop, user, signature, office;
};

void addAccount(Connection &db, const QString &parent, const SampleAccount &a)
{
    const QStringList values = {parent, QStringLiteral("A"), a.name, a.sender, a.address, a.smtp,
        QStringLiteral("25"), a.pop, QStringLiteral("110"), a.user, QString(), a.signature,
        QString(), a.office, QString(), QString(), QString(), QString(), QString(), QString()};
    QStringList quotedValues;
    for (const QString &value : values)
        quotedValues << quoted(value);
    db.execute(
        QStringLiteral("INSERT INTO ACCOUNT(%1) VALUES(%2)")
            .arg(accountColumns().join(QLatin1Char(',')), quotedValues.join(QLatin1Char(','))));
}

} // namespace

QString sampleDatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/tx_account/sample.db");
}

void createSampleDatabase(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DbError(QStringLiteral("cannot create %1: %2").arg(path, file.errorString()));
    file.close();

    Connection db;
    db.setConnectionString(path);
    db.open();
    createAccountSchema(db);

    const QString work = addFolder(db, QStringLiteral("0"), QStringLiteral("仕事"));
    const QString office = addFolder(db, work, QStringLiteral("本社"));
    addAccount(db, office,
        {QStringLiteral("営業部"), QStringLiteral("山田 太郎"),
            QStringLiteral("yamada@example.co.jp"), QStringLiteral("smtp.example.co.jp"),
            QStringLiteral("pop.example.co.jp"), QStringLiteral("yamada"),
            QStringLiteral("山田 太郎\n営業部"), QStringLiteral("株式会社サンプル")});
    addAccount(db, office,
        {QStringLiteral("Support"), QStringLiteral("Support Desk"),
            QStringLiteral("support@example.com"), QStringLiteral("smtp.example.com"),
            QStringLiteral("pop.example.com"), QStringLiteral("support"),
            QStringLiteral("-- \nSupport Desk"), QStringLiteral("Example Ltd.")});
    addAccount(db, work,
        {QStringLiteral("Sales"), QStringLiteral("Ann Smith"), QStringLiteral("ann@example.com"),
            QStringLiteral("smtp.example.com"), QStringLiteral("pop.example.com"),
            QStringLiteral("ann"), QString(), QStringLiteral("Example Ltd.")});
    const QString home = addFolder(db, QStringLiteral("0"), QStringLiteral("Private"));
    const QString family = addFolder(db, home, QStringLiteral("家族"));
    addAccount(db, family,
        {QStringLiteral("家族用"), QStringLiteral("山田 花子"), QStringLiteral("hanako@example.jp"),
            QStringLiteral("smtp.example.jp"), QStringLiteral("pop.example.jp"),
            QStringLiteral("hanako"), QString(), QString()});
    addAccount(db, home,
        {QStringLiteral("Personal"), QStringLiteral("Taro Yamada"),
            QStringLiteral("taro@example.org"), QStringLiteral("smtp.example.org"),
            QStringLiteral("pop.example.org"), QStringLiteral("taro"), QString(), QString()});
    addAccount(db, QStringLiteral("0"),
        {QStringLiteral("お知らせ"), QStringLiteral("Tovrix"), QStringLiteral("news@example.net"),
            QStringLiteral("smtp.example.net"), QStringLiteral("pop.example.net"),
            QStringLiteral("news"), QString(), QString()});
}

QString sampleConnectionString()
{
    const QString path = sampleDatabasePath();
    if (!QFileInfo::exists(path)) {
        createSampleDatabase(path);
        std::fprintf(stderr, "tx-account-host: created the sample database %s\n", qPrintable(path));
    }
    return path;
}
