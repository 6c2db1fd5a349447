#include "PinyinTables.h"

// clang-format off

// The numbering is what the stored index refers to, so the order is fixed and not alphabetical:
// ji sits among the g syllables, qiao among the j ones, yao among the n ones, 394 is empty.
// tools/gen_pinyin_index.py reads this list; keep one entry per {length, "letters"} pair.
const PinyinSyllable PinyinSyllables[PinyinSyllableCount] = {
    // 1-5
    {1, "a"}, {2, "ai"}, {2, "an"}, {3, "ang"}, {2, "ao"},
    // 6-21
    {2, "ba"}, {3, "bai"}, {3, "ban"}, {4, "bang"}, {3, "bao"}, {3, "bei"}, {3, "ben"}, {4, "beng"},
    {2, "bi"}, {4, "bian"}, {4, "biao"}, {3, "bie"}, {3, "bin"}, {4, "bing"}, {2, "bo"}, {2, "bu"},
    // 22-54
    {2, "ca"}, {3, "cai"}, {3, "can"}, {4, "cang"}, {3, "cao"}, {2, "ce"}, {4, "ceng"}, {3, "cha"},
    {4, "chai"}, {4, "chan"}, {5, "chang"}, {4, "chao"}, {3, "che"}, {4, "chen"}, {5, "cheng"}, {3, "chi"},
    {5, "chong"}, {4, "chou"}, {3, "chu"}, {5, "chuai"}, {5, "chuan"}, {6, "chuang"}, {4, "chui"},
    {4, "chun"}, {4, "chuo"}, {2, "ci"}, {4, "cong"}, {3, "cou"}, {2, "cu"}, {4, "cuan"}, {3, "cui"},
    {3, "cun"}, {3, "cuo"},
    // 55-74
    {2, "da"}, {3, "dai"}, {3, "dan"}, {4, "dang"}, {3, "dao"}, {2, "de"}, {4, "deng"}, {2, "di"},
    {4, "dian"}, {4, "diao"}, {3, "die"}, {4, "ding"}, {3, "diu"}, {4, "dong"}, {3, "dou"}, {2, "du"},
    {4, "duan"}, {3, "dui"}, {3, "dun"}, {3, "duo"},
    // 75-85
    {1, "e"}, {2, "en"}, {2, "er"}, {2, "fa"}, {3, "fan"}, {4, "fang"}, {3, "fei"}, {3, "fen"}, {4, "feng"},
    {2, "fu"}, {3, "fou"},
    // 86-104
    {2, "ga"}, {3, "gai"}, {3, "gan"}, {4, "gang"}, {3, "gao"}, {2, "ge"}, {2, "ji"}, {3, "gen"},
    {4, "geng"}, {4, "gong"}, {3, "gou"}, {2, "gu"}, {3, "gua"}, {4, "guai"}, {4, "guan"}, {5, "guang"},
    {3, "gui"}, {3, "gun"}, {3, "guo"},
    // 105-123
    {2, "ha"}, {3, "hai"}, {3, "han"}, {4, "hang"}, {3, "hao"}, {2, "he"}, {3, "hei"}, {3, "hen"},
    {4, "heng"}, {4, "hong"}, {3, "hou"}, {2, "hu"}, {3, "hua"}, {4, "huai"}, {4, "huan"}, {5, "huang"},
    {3, "hui"}, {3, "hun"}, {3, "huo"},
    // 124-137
    {3, "jia"}, {4, "jian"}, {5, "jiang"}, {4, "qiao"}, {4, "jiao"}, {3, "jie"}, {3, "jin"}, {4, "jing"},
    {5, "jiong"}, {3, "jiu"}, {2, "ju"}, {4, "juan"}, {3, "jue"}, {3, "jun"},
    // 138-155
    {2, "ka"}, {3, "kai"}, {3, "kan"}, {4, "kang"}, {3, "kao"}, {2, "ke"}, {3, "ken"}, {4, "keng"},
    {4, "kong"}, {3, "kou"}, {2, "ku"}, {3, "kua"}, {4, "kuai"}, {4, "kuan"}, {5, "kuang"}, {3, "kui"},
    {3, "kun"}, {3, "kuo"},
    // 156-179
    {2, "la"}, {3, "lai"}, {3, "lan"}, {4, "lang"}, {3, "lao"}, {2, "le"}, {3, "lei"}, {4, "leng"},
    {2, "li"}, {3, "lia"}, {4, "lian"}, {5, "liang"}, {4, "liao"}, {3, "lie"}, {3, "lin"}, {4, "ling"},
    {3, "liu"}, {4, "long"}, {3, "lou"}, {2, "lu"}, {4, "luan"}, {3, "lue"}, {3, "lun"}, {3, "luo"},
    // 180-198
    {2, "ma"}, {3, "mai"}, {3, "man"}, {4, "mang"}, {3, "mao"}, {2, "me"}, {3, "mei"}, {3, "men"},
    {4, "meng"}, {2, "mi"}, {4, "mian"}, {4, "miao"}, {3, "mie"}, {3, "min"}, {4, "ming"}, {3, "miu"},
    {2, "mo"}, {3, "mou"}, {2, "mu"},
    // 199-223
    {2, "na"}, {3, "nai"}, {3, "nan"}, {4, "nang"}, {3, "nao"}, {2, "ne"}, {3, "nei"}, {3, "nen"},
    {4, "neng"}, {2, "ni"}, {4, "nian"}, {5, "niang"}, {4, "niao"}, {3, "nie"}, {3, "nin"}, {4, "ning"},
    {3, "niu"}, {4, "nong"}, {2, "nu"}, {4, "nuan"}, {3, "nue"}, {3, "yao"}, {3, "nuo"}, {1, "o"},
    {2, "ou"},
    // 224-240
    {2, "pa"}, {3, "pai"}, {3, "pan"}, {4, "pang"}, {3, "pao"}, {3, "pei"}, {3, "pen"}, {4, "peng"},
    {2, "pi"}, {4, "pian"}, {4, "piao"}, {3, "pie"}, {3, "pin"}, {4, "ping"}, {2, "po"}, {3, "pou"},
    {2, "pu"},
    // 241-253
    {2, "qi"}, {3, "qia"}, {4, "qian"}, {5, "qiang"}, {3, "qie"}, {3, "qin"}, {4, "qing"}, {5, "qiong"},
    {3, "qiu"}, {2, "qu"}, {4, "quan"}, {3, "que"}, {3, "qun"},
    // 254-267
    {3, "ran"}, {4, "rang"}, {3, "rao"}, {2, "re"}, {3, "ren"}, {4, "reng"}, {2, "ri"}, {4, "rong"},
    {3, "rou"}, {2, "ru"}, {4, "ruan"}, {3, "rui"}, {3, "run"}, {3, "ruo"},
    // 268-301
    {2, "sa"}, {3, "sai"}, {3, "san"}, {4, "sang"}, {3, "sao"}, {2, "se"}, {3, "sen"}, {4, "seng"},
    {3, "sha"}, {4, "shai"}, {4, "shan"}, {5, "shang"}, {4, "shao"}, {3, "she"}, {4, "shen"}, {5, "sheng"},
    {3, "shi"}, {4, "shou"}, {3, "shu"}, {4, "shua"}, {5, "shuai"}, {5, "shuan"}, {6, "shuang"},
    {4, "shui"}, {4, "shun"}, {4, "shuo"}, {2, "si"}, {4, "song"}, {3, "sou"}, {2, "su"}, {4, "suan"},
    {3, "sui"}, {3, "sun"}, {3, "suo"},
    // 302-320
    {2, "ta"}, {3, "tai"}, {3, "tan"}, {4, "tang"}, {3, "tao"}, {2, "te"}, {4, "teng"}, {2, "ti"},
    {4, "tian"}, {4, "tiao"}, {3, "tie"}, {4, "ting"}, {4, "tong"}, {3, "tou"}, {2, "tu"}, {4, "tuan"},
    {3, "tui"}, {3, "tun"}, {3, "tuo"},
    // 321-343
    {2, "wa"}, {3, "wai"}, {3, "wan"}, {4, "wang"}, {3, "wei"}, {3, "wen"}, {4, "weng"}, {2, "wo"},
    {2, "wu"}, {2, "xi"}, {3, "xia"}, {4, "xian"}, {5, "xiang"}, {4, "xiao"}, {3, "xie"}, {3, "xin"},
    {4, "xing"}, {5, "xiong"}, {3, "xiu"}, {2, "xu"}, {4, "xuan"}, {3, "xue"}, {3, "xun"},
    // 344-357
    {2, "ya"}, {3, "yan"}, {4, "yang"}, {2, "ye"}, {2, "yi"}, {3, "yin"}, {4, "ying"}, {2, "yo"},
    {4, "yong"}, {3, "you"}, {2, "yu"}, {4, "yuan"}, {3, "yue"}, {3, "yun"},
    // 358-393
    {2, "za"}, {3, "zai"}, {3, "zan"}, {4, "zang"}, {3, "zao"}, {2, "ze"}, {3, "zei"}, {3, "zen"},
    {4, "zeng"}, {3, "zha"}, {4, "zhai"}, {4, "zhan"}, {5, "zhang"}, {4, "zhao"}, {3, "zhe"}, {4, "zhen"},
    {5, "zheng"}, {3, "zhi"}, {5, "zhong"}, {4, "zhou"}, {3, "zhu"}, {4, "zhua"}, {5, "zhuai"},
    {5, "zhuan"}, {6, "zhuang"}, {4, "zhui"}, {4, "zhun"}, {4, "zhuo"}, {2, "zi"}, {4, "zong"}, {3, "zou"},
    {2, "zu"}, {4, "zuan"}, {3, "zui"}, {3, "zun"}, {3, "zuo"},
    // 394-405
    {0, ""}, {2, "ei"}, {1, "m"}, {1, "n"}, {3, "dia"}, {3, "cen"}, {3, "nou"}, {2, "jv"}, {2, "qv"},
    {2, "xv"}, {2, "lv"}, {2, "nv"},
};

const char NumberSymbolCodes[94][3] = {
    // A1-AA small Roman numerals
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
    // AB-B0 unassigned
    "", "", "", "", "", "",
    // B1-C4 numbers with full stop
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
    "11", "12", "13", "14", "15", "16", "17", "18", "19", "20",
    // C5-D8 parenthesised numbers
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
    "11", "12", "13", "14", "15", "16", "17", "18", "19", "20",
    // D9-E2 circled numbers
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
    // E3-E4 unassigned
    "", "",
    // E5-EE parenthesised ideographs one to ten
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
    // EF-F0 unassigned
    "", "",
    // F1-FC Roman numerals
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12",
    // FD-FE unassigned
    "", "",
};

// Eta shares epsilon's "e" and omega omicron's "o".
const char GreekLetterCodes[24][3] = {
    "a", "b", "g", "d", "e", "z", "e", "th", "i", "k", "l",  "m",
    "n", "x", "o", "p", "r", "s", "t", "u", "ph", "kh", "ps", "o",
};
// clang-format on
