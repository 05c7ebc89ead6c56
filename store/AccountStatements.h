#pragma once

#include "Statement.h"

#include <QString>

#include <utility>
#include <vector>

// Doubles every single quote of src, stores the result back into src and
// returns it: a text between single quotes then reads back as it was.
QString DbSet(QString &src);

// Every statement the component runs on the ACCOUNT table, by purpose. The
// windows decide when each runs; the texts are built only here.
namespace AccountStatements {

// The load: the children of one parent, in key order.
Statement children(qint32 parentKey);
// One row by its key: an account to edit, or the kind of the chosen node.
QString readRow(const QString &key);
Statement deleteRow(const QString &key);
// The keys of one parent's children, for the recursive delete.
Statement childKeys(const QString &key);
QString move(const QString &targetKey, const QString &draggedKey);
// A label edited in place, its quotes doubled.
QString renameLabel(const QString &label, const QString &key);
// The folder dialog's name never holds an apostrophe, so it goes in as it is.
QString insertFolder(const QString &parentKey, const QString &name);
QString renameFolder(const QString &name, const QString &key);

// An account's edited values by column, in the order the statements carry
// them (the signature, TEXT_SIG, before the office columns); each value's
// quotes are doubled here.
using AccountValues = std::vector<std::pair<QString, QString>>;
// An added account gets an empty HTML signature, a copied one a blank.
enum class HtmlSignature { Added, Copied };
QString insertAccount(
    const QString &parentKey, const AccountValues &values, HtmlSignature htmlSignature);
QString updateAccount(const AccountValues &values, const QString &key);

// The number the database gave the row inserted last. The account editor's
// add spells the column in capitals; its copy and the folder dialog spell it
// "ACCOUNT_no", and the texts stay as they were written.
QString newAccountKey();
QString newCopyOrFolderKey();

} // namespace AccountStatements
