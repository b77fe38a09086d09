#pragma once

#include "Mainformdatiform.h"

// One document stored whole or not at all. Inside the scope the data module's
// CommitRetaining() is held back; commit() makes everything since the scope began durable at
// once; leaving the scope without commit() rolls it all back. Error rows and "E" journal rows
// written inside survive a rollback; other journal rows are written only on commit. Nested
// scopes join the outermost one.
class DocumentScope {
public:
    explicit DocumentScope(TMainFormDati& dati) : dati_(dati) { dati_.beginDocument(); }
    ~DocumentScope()
    {
        if (!ended_) {
            try {
                dati_.endDocument(false);
            } catch (...) {
                // Nothing of the document is kept; there is no one left to tell.
            }
        }
    }
    DocumentScope(const DocumentScope&) = delete;
    DocumentScope& operator=(const DocumentScope&) = delete;

    // Throws DbError when the commit fails; the document is rolled back then.
    void commit()
    {
        ended_ = true;
        dati_.endDocument(true);
    }
    void rollback()
    {
        ended_ = true;
        dati_.endDocument(false);
    }

private:
    TMainFormDati& dati_;
    bool ended_ = false;
};
