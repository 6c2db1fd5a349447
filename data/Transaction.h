#pragma once

#include <QString>
#include <QStringList>

// Several writes for one user action: all of them or none. Rolls back unless commit()
// was reached, so a statement that throws part way leaves nothing half-written.
// A transaction opened while another is open joins it as a savepoint: store functions
// compose, and the outer action still commits or rolls back as a whole.
// The outermost one takes the write lock as it begins, so it waits for another
// program's lock as long as any write does.
class Transaction {
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    // Makes another program that takes the same key wait here until this transaction ends,
    // so a look-up followed by a write sees what the other one wrote. The file's write lock
    // already lets one writer in at a time; a server runs writers side by side.
    void serialise(const QStringList& key);
    // Like serialise, for a key many hold at once (`shared`) while one holder alone
    // (not shared) keeps them all out: an import over a whole book against the PCs filing
    // into it. Waits as long as a statement waits for a lock, then throws AppError(refusal),
    // which names the holder in the user's words.
    void hold(const QStringList& key, bool shared, const QString& refusal);
    // Whether any transaction is open now.
    static bool anyOpen();

private:
    bool m_open = false;
    int m_depth = 0; // 0: the outermost transaction; otherwise the savepoint's number
};
