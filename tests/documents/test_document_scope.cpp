#include "DocumentsFixture.h"

#include "db/DocumentScope.h"
#include "db/O_precetable.h"

namespace {

struct DocumentScopeTest : DocumentsTest {
    // A head and two lines.
    int storeInvoice(TO_preceTable& t)
    {
        t.O_PAVADZ.NR_PAVADZ = "ZP-7";
        t.O_PAVADZ.DAT_PAVADZ = day(2026, 12, 1);
        t.O_PAVADZ.DAT_SANEM = day(2026, 12, 1);
        t.O_PAVADZ.KL_PVNKODS = "LV40003000001";
        const int head = t.O_PAVADZInsert();
        for (const char* article : {"4750000001001", "4750000002001"}) {
            t.O_PRECE = {};
            t.O_PRECE.ARTIKULS = article;
            t.O_PRECE.DAUDZUMS = 5;
            t.O_PRECE.CENA = 1;
            if (t.O_PRECEInsert() == 0)
                return 0;
        }
        return head;
    }
    int journal(const char* code) { return count("O_OPERACIJAS", QStringLiteral("TAUSTINS='%1'").arg(code)); }
};

}  // namespace

TEST_F(DocumentScopeTest, CommitKeepsTheWholeDocumentAndItsJournal)
{
    open();
    {
        DocumentScope scope(*dati);
        TO_preceTable t(*dati);
        ASSERT_GT(storeInvoice(t), 0);
        // Nothing is durable before the commit: another attachment sees no head yet.
        EXPECT_EQ(count("O_PAVADZ"), 0);
        EXPECT_EQ(journal("J"), 0);
        scope.commit();
    }
    EXPECT_EQ(count("O_PAVADZ"), 1);
    EXPECT_EQ(count("O_PRECE"), 2);
    EXPECT_EQ(journal("J"), 3);
    EXPECT_DOUBLE_EQ(scalar("SELECT SUM(ATLIKUMS) FROM O_TEKATLIK").toDouble(), 10.0);
}

TEST_F(DocumentScopeTest, AFailedLineTakesTheDocumentButNotItsErrorRows)
{
    // The second line's goods are refused at every attempt.
    open({"CREATE EXCEPTION TEST_FAIL 'Testa kļūda'",
          "CREATE TRIGGER TEST_FAIL_LINE FOR O_PRECE ACTIVE BEFORE INSERT POSITION 5 AS "
          "BEGIN IF (NEW.ISPRECE = 102) THEN EXCEPTION TEST_FAIL; END"});
    {
        DocumentScope scope(*dati);
        TO_preceTable t(*dati);
        EXPECT_EQ(storeInvoice(t), 0);
    }  // left without commit
    EXPECT_EQ(count("O_PAVADZ"), 0);
    EXPECT_EQ(count("O_PRECE"), 0);
    EXPECT_EQ(count("O_TEKATLIK", "ATLIKUMS<>0"), 0);
    EXPECT_EQ(journal("J"), 0);
    EXPECT_EQ(journal("E"), 1);
    EXPECT_EQ(count("O_ERRORINFO", "LOGA_NOS='TO_preceTable::O_PRECEInsert'"), 1);
    // The shared transaction goes on: the next document is stored.
    TO_preceTable next(*dati);
    next.O_PAVADZ.NR_PAVADZ = "ZP-8";
    next.O_PAVADZ.DAT_PAVADZ = day(2026, 12, 2);
    EXPECT_GT(next.O_PAVADZInsert(), 0);
    EXPECT_EQ(count("O_PAVADZ"), 1);
}

TEST_F(DocumentScopeTest, AnInnerRollbackTakesTheOuterDocument)
{
    open();
    {
        DocumentScope outer(*dati);
        TO_preceTable t(*dati);
        ASSERT_GT(storeInvoice(t), 0);
        {
            DocumentScope inner(*dati);
        }
        EXPECT_THROW(outer.commit(), DbError);
    }
    EXPECT_EQ(count("O_PAVADZ"), 0);
}
