#include "SqlLog.h"

Q_LOGGING_CATEGORY(lcSql, "tx_account.sql", QtWarningMsg)
