#include "store/Template.h"

#include <QTest>

class TestTemplate : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void markersAreReplacedEverywhereAndOnlyInTheTemplate_data();
    void markersAreReplacedEverywhereAndOnlyInTheTemplate();
};

void TestTemplate::markersAreReplacedEverywhereAndOnlyInTheTemplate_data()
{
    QTest::addColumn<QString>("statementTemplate");
    QTest::addColumn<QStringList>("markersAndValues");
    QTest::addColumn<QString>("filled");

    const QStringList load = {
        "%tablename", "ACCOUNT", "%parentkey", "P_ACCOUNT_NO", "%key", "ACCOUNT_NO", "%p_val", "0"};
    QTest::newRow("children of the root")
        << "SELECT * FROM %tablename WHERE %parentkey = %p_val ORDER BY %key" << load
        << "SELECT * FROM ACCOUNT WHERE P_ACCOUNT_NO = 0 ORDER BY ACCOUNT_NO";
    QTest::newRow("move") << "UPDATE %tablename SET %parentkey = %p_val WHERE %key = %val"
                          << QStringList {"%tablename", "ACCOUNT", "%parentkey", "P_ACCOUNT_NO",
                                 "%key", "ACCOUNT_NO", "%p_val", "3", "%val", "12"}
                          << "UPDATE ACCOUNT SET P_ACCOUNT_NO = 3 WHERE ACCOUNT_NO = 12";
    QTest::newRow("a marker occurring twice")
        << "%1 and %1" << QStringList {"%1", "7"} << "7 and 7";
    QTest::newRow("adjacent markers") << "%1%1%2" << QStringList {"%1", "a", "%2", "b"} << "aab";
    QTest::newRow("marker at both ends") << "%1 x %1" << QStringList {"%1", "z"} << "z x z";
    QTest::newRow("no marker present") << "select 1" << QStringList {"%1", "z"} << "select 1";
    QTest::newRow("a value holding a later marker stays as it is")
        << "UPDATE ACCOUNT SET NAME = '%1' WHERE ACCOUNT_NO = %2"
        << QStringList {"%1", "50%2off", "%2", "8"}
        << "UPDATE ACCOUNT SET NAME = '50%2off' WHERE ACCOUNT_NO = 8";
    QTest::newRow("a value holding its own marker does not recurse")
        << "%1" << QStringList {"%1", "%1%1"} << "%1%1";
    QTest::newRow("a value holding an earlier marker stays as it is")
        << "%val / %p_val" << QStringList {"%p_val", "%val", "%val", "x"} << "x / %val";
    QTest::newRow("case matters") << "%KEY %key" << QStringList {"%key", "k"} << "%KEY k";
    QTest::newRow("an empty value") << "a%1b" << QStringList {"%1", ""} << "ab";
    QTest::newRow("the longest marker wins")
        << "%1 %10 %100" << QStringList {"%1", "a", "%10", "b"} << "a b b0";
    QTest::newRow("markers with different first characters")
        << "$x%1$x" << QStringList {"%1", "p", "$x", "q"} << "qpq";
    QTest::newRow("a marker at the very end after text")
        << "abc%1" << QStringList {"%1", "!"} << "abc!";
    QTest::newRow("japanese and quotes pass through")
        << "'%1'" << QStringList {"%1", "営業's"} << "'営業's'";
}

void TestTemplate::markersAreReplacedEverywhereAndOnlyInTheTemplate()
{
    QFETCH(QString, statementTemplate);
    QFETCH(QStringList, markersAndValues);
    TemplateMarkers markers;
    for (qsizetype i = 0; i + 1 < markersAndValues.size(); i += 2)
        markers.emplace_back(markersAndValues.at(i), markersAndValues.at(i + 1));
    QTEST(fillTemplate(statementTemplate, markers), "filled");
}

QTEST_GUILESS_MAIN(TestTemplate)
#include "tst_template.moc"
