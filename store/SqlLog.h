#pragma once

#include <QLoggingCategory>

// Every statement text the component runs, before it runs.
// Watch with QT_LOGGING_RULES="tx_account.sql=true".
Q_DECLARE_LOGGING_CATEGORY(lcSql)
