#include "PrintItems.h"

const std::array<PrintItem, PrintItemCount>& PrintItems()
{
    static const std::array<PrintItem, PrintItemCount> items = {{
        {"JP01", "寄件人姓名", 10, 10, 24, 24},
        {"JP02", "寄件人电话号码", 10, 130, 136, 24},
        {"JP03", "寄件人手机号码", 10, 250, 248, 24},
        {"JP04", "寄件人单位名称", 45, 10, 24, 64},
        {"JP05", "寄件人区号", 45, 130, 136, 64},
        {"JP06", "寄件人省市区", 80, 10, 24, 104},
        {"JP07", "寄件人地州市", 80, 130, 136, 104},
        {"JP08", "寄件人区县", 80, 250, 248, 104},
        {"JP09", "寄件人地址", 115, 10, 24, 144},
        {"JP10", "寄件人邮编", 115, 130, 136, 144},
        {"SP01", "收件人姓名", 10, 510, 453, 24},
        {"SP02", "收件人电话号码", 10, 630, 565, 24},
        {"SP03", "收件人手机号码", 10, 750, 677, 24},
        {"SP04", "收件人单位名称", 45, 510, 453, 64},
        {"SP05", "收件人区号", 45, 630, 565, 64},
        {"SP06", "收件人省市区", 80, 510, 453, 104},
        {"SP07", "收件人地州市", 80, 630, 565, 104},
        {"SP08", "收件人区县", 80, 750, 677, 104},
        {"SP09", "收件人地址", 115, 510, 453, 144},
        {"SP10", "收件人邮编", 115, 630, 565, 144},
        {"KP01", "快递物品", 160, 10, 24, 192},
        {"KP02", "自定义一", 195, 10, 24, 232},
        {"KP03", "自定义二", 195, 130, 136, 232},
        {"KP04", "自定义三", 195, 250, 248, 232},
        {"KP05", "快递日期", 230, 10, 24, 272},
        // Under the sender's block and the recipient's, as wide as a block: long place
        // names wrap there instead of running into the next box.
        {"JP11", "寄件人完整地址", 265, 10, 24, 312, 360, true},
        {"SP11", "收件人完整地址", 150, 510, 453, 192, 360, true},
    }};
    return items;
}

QStringList TestPrintTexts()
{
    QStringList texts{QStringLiteral("0")};
    for (const PrintItem& item : PrintItems())
        texts << item.displayName;
    return texts;
}
