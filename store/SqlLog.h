#pragma once

#include <QLoggingCategory>
#include <QString>

// Every statement text the component runs, before it runs.
// Watch with QT_LOGGING_RULES="tx_account.sql=true".
Q_DECLARE_LOGGING_CATEGORY(lcSql)

// The statement as the log shows it: every value stored into PSWD, by an
// insert's column list or by an assignment, reads '********'.
QString withoutPasswords(const QString &statement);
