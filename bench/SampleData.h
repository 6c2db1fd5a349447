#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

// Made-up but plausible shop data for benchmarks: people, organisations and addresses
// across China, and waybills between them. Everything comes from one fixed-seed
// generator, so the same calls in the same order give the same texts on every machine.

// splitmix64: tiny, fast, and identical everywhere (std::mt19937 would do, but its
// distributions are not specified bit for bit across standard libraries).
class SampleRng {
public:
    explicit SampleRng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next();
    // 0 <= result < n.
    int below(int n);
    bool percent(int p) { return below(100) < p; }

private:
    std::uint64_t m_state;
};

// One row of USender or UAddressee, or one side of a waybill.
struct SampleContact {
    QString name, phone, mobile, dept, areaCode, province, city, district, address, postcode, remark;
    QString deleted; // theDel: "是" or "否"
    QString namePinyin, deptPinyin;
};

struct SampleWaybill {
    SampleContact sender, recipient;
    QString company, number, goods, custom1, custom2, custom3, remark, deleted, date, user;
};

namespace SampleData {

// The twelve courier companies, in the order they are created.
const QStringList& CourierNames();
// admin, whom the first start creates, and two more.
const QStringList& UserNames();
// Waybill dates run over five years up to this day; fixed so that output does not
// depend on the day it is generated.
QDate LastDay();
QDate FirstDay();

// A person's name of two or three characters, surname by how common it is.
QString PersonName(SampleRng& rng);
QString MobileNumber(SampleRng& rng);

// A person with an address, mobile and often a landline and an organisation; about 2%
// marked deleted. Pinyin codes filled in.
SampleContact Contact(SampleRng& rng);

// A courier company's own contact details: contact person, phone, mobile, address.
QStringList CompanyDetails(SampleRng& rng);

// A waybill dated `date`. Sender and recipient are mostly taken from the address
// books (so that look-ups find them), the rest typed in on the spot.
SampleWaybill Waybill(SampleRng& rng, const QList<SampleContact>& senders, const QList<SampleContact>& recipients,
                      const QDate& date);

} // namespace SampleData
