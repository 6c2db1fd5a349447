#pragma once

// Several writes for one user action: all of them or none. Rolls back unless commit()
// was reached, so a statement that throws part way leaves nothing half-written.
class Transaction {
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    bool m_open = false;
};
