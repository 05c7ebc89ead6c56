// DbSet on its own, so that the fuzzer links the quoting every statement
// relies on without the editor's window.

#include "AccountAdd.h"

QString AccountAdd::DbSet(QString &src)
{
    src.replace(QStringLiteral("'"), QStringLiteral("''"));
    return src;
}
