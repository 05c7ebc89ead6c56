#include "Apostrophes.h"

#include "ui/TextFilter.h"

QString withoutApostrophes(QStringView text)
{
    return text.toString().remove(u'\'');
}

void removeApostrophes(QLineEdit *box)
{
    filterBox(box, withoutApostrophes);
}

void removeApostrophes(QPlainTextEdit *box)
{
    filterDocument(box, withoutApostrophes);
}
