// The catalogue: each English text beside its Japanese one. A text names
// what it quotes in braces: {n0} and {n1} the problem's numbers, {subject}
// and {field} what it is about, {error} the system's answer, {max} the path
// limit, {index} a record's position or number; {0}, {1}... a Say argument.
#include "cor2tavik/Messages.h"

#include <cerrno>
#include <cstddef>
#include <string>

#include "Platform.h"

namespace cor2tavik {

namespace {

template <class Key>
struct Entry {
    Key key;
    std::string_view english;
    std::string_view japanese;
};

constexpr Entry<Reason> kReasons[] = {
    {Reason::pathTooLong, "path is longer than {max} bytes", "パスが長すぎます（{n0} バイト。{max} バイトまで）"},
    {Reason::nameTooLong, "file name is longer than {max} bytes",
     "パスから作るファイル名が長すぎます（{n0} バイト。{max} バイトまで）"},
    {Reason::cannotOpen, "cannot open: {error}", "開けません：{error}"},
    {Reason::cannotCreate, "cannot create: {error}", "作成できません：{error}"},
    {Reason::cannotWrite, "cannot write: {error}", "書き込めません：{error}"},
    {Reason::readError, "read error: {error}", "読み取りエラー：{error}"},
    {Reason::outOfMemory, "out of memory for {n0} {subject}", "メモリが足りません（{subject} {n0} 個分）"},
    {Reason::memoryExhausted, "out of memory", "メモリが足りません"},
    {Reason::blockCannotOpen, "cannot open: {error}; the block is left out",
     "開けません：{error}。このファイルの結果は出力しません"},

    {Reason::endsBeforeNodeCount, "the file ends before its node count line (line 3)",
     "節点数の行（3 行目）より前でファイルが終わっています"},
    {Reason::endsBeforeElementCount, "the file ends before its element count line",
     "要素数の行より前でファイルが終わっています"},
    {Reason::countLineShort, "{subject} is shorter than five characters", "{subject}が 5 文字に足りません"},
    {Reason::countMissing, "{subject}: no integer at column 5", "{subject}：5 桁目に整数がありません"},
    {Reason::countTooWide, "{subject}: the count does not fit 32 bits", "{subject}：数が 32 ビットに収まりません"},
    {Reason::countNegative, "{subject}: negative count {n0}", "{subject}：数が負の値です（{n0}）"},
    {Reason::countBeyondFile, "{subject}: {n0} records cannot fit in a file of {n1} bytes",
     "{subject}：{n0} 件のデータは {n1} バイトのファイルに収まりません"},

    {Reason::endsBeforeRecordCount, "the file ends before its record count line; the block is left out",
     "レコード数の行より前でファイルが終わっています。このファイルの結果は出力しません"},
    {Reason::recordCountNoEquals, "record count line has no '=' in its first 80 characters; the block is left out",
     "レコード数の行の先頭 80 文字に「=」がありません。このファイルの結果は出力しません"},
    {Reason::recordCountMissing, "record count is missing after '='; the block is left out",
     "「=」の後にレコード数がありません。このファイルの結果は出力しません"},
    {Reason::recordCountTooWide, "record count does not fit 32 bits; the block is left out",
     "レコード数が 32 ビットに収まりません。このファイルの結果は出力しません"},
    {Reason::recordCountNegative, "negative record count {n0}; the block is left out",
     "レコード数が負の値です（{n0}）。このファイルの結果は出力しません"},
    {Reason::recordCountBeyondFile, "{n0} records cannot fit in a file of {n1} bytes; the block is left out",
     "{n0} 件のレコードは {n1} バイトのファイルに収まりません。このファイルの結果は出力しません"},
    {Reason::recordCountFewer, "the file holds {n0} records, the model has {n1} {subject}; the missing ones are 0",
     "レコードが {n0} 件しかありません（解析モデルの{subject}は {n1} 個）。足りない分は 0 とします"},
    {Reason::recordCountMore, "the file holds {n0} records, the model has {n1} {subject}; the extra ones are ignored",
     "レコードが {n0} 件あります（解析モデルの{subject}は {n1} 個）。余分なレコードは読みません"},

    {Reason::nodeRecordsEnd, "the file ends after {n0} of {n1} node records",
     "節点データ {n1} 件のうち {n0} 件でファイルが終わっています"},
    {Reason::nodeRecordsStop,
     "no node number begins {subject}; {n0} of {n1} node records were read, the rest are written as zeros",
     "{subject}が節点番号で始まっていません。節点データ {n1} 件のうち {n0} 件を読み、残りは 0 として書き出します"},
    {Reason::elementLinesEnd, "the file ends after {n0} of {n1} element lines; the rest are written as zeros",
     "要素データ {n1} 行のうち {n0} 行でファイルが終わっています。残りは 0 として書き出します"},
    {Reason::resultRecordsEnd, "the file ends after {n0} of {n1} records; the rest are 0",
     "レコード {n1} 件のうち {n0} 件でファイルが終わっています。残りは 0 とします"},

    {Reason::fieldNotANumber, "{subject}: {field} is not a number", "{subject}：{field}が数値ではありません"},
    {Reason::fieldTooWide, "{subject}: {field} does not fit 32 bits", "{subject}：{field}が 32 ビットに収まりません"},
    {Reason::fieldMissing, "{subject}: {field} is missing", "{subject}：{field}がありません"},
    {Reason::fieldBeyondRange, "{subject}: {field} is beyond the range of a double",
     "{subject}：{field}が倍精度実数の範囲を超えています"},
    {Reason::colonMissing, "{subject}: ':' after the label is missing", "{subject}：ラベルの後の「:」がありません"},

    {Reason::elementNodesShort, "{subject}: {n0} of {n1} node numbers could be read; the rest are 0",
     "{subject}：節点番号 {n1} 個のうち {n0} 個しか読めません。残りは 0 とします"},
    {Reason::nodeCountUnsupported, "{subject}: node count {n0} is not 4, 8 or 10; no node numbers are stored",
     "{subject}：節点数 {n0} は 4、8、10 のいずれでもありません。節点番号は書き出しません"},
    {Reason::typeCodeDisagrees, "{subject}: type code {n0} does not agree with node count {n1}",
     "{subject}：要素タイプ {n0} が節点数 {n1} と合いません"},
};

constexpr Entry<Subject> kSubjects[] = {
    {Subject::none, "-", "-"},
    {Subject::nodeCountLine, "node count line", "節点数の行"},
    {Subject::elementCountLine, "element count line", "要素数の行"},
    {Subject::nodeRecord, "node record {index}", "{index} 番目の節点データ"},
    {Subject::elementLine, "element line {index}", "{index} 番目の要素データ"},
    {Subject::resultRecord, "record {index}", "{index} 番目のレコード"},
    {Subject::element, "element {index}", "要素番号 {index}"},
    {Subject::nodes, "nodes", "節点"},
    {Subject::elements, "elements", "要素"},
    {Subject::resultRecords, "result records", "結果レコード"},
};

constexpr Entry<Field> kFields[] = {
    {Field::none, "-", "-"},
    {Field::nodeNumber, "node number", "節点番号"},
    {Field::coordinateX, "x", "Ｘ座標"},
    {Field::coordinateY, "y", "Ｙ座標"},
    {Field::coordinateZ, "z", "Ｚ座標"},
    {Field::componentX, "x", "Ｘ成分"},
    {Field::componentY, "y", "Ｙ成分"},
    {Field::componentZ, "z", "Ｚ成分"},
    {Field::component1, "component 1", "第 1 成分"},
    {Field::component2, "component 2", "第 2 成分"},
    {Field::component3, "component 3", "第 3 成分"},
    {Field::component4, "component 4", "第 4 成分"},
    {Field::component5, "component 5", "第 5 成分"},
    {Field::component6, "component 6", "第 6 成分"},
    {Field::elementNumber, "element number", "要素番号"},
    {Field::typeCode, "type code", "要素タイプ"},
    {Field::nodeCount, "node count", "節点数"},
    {Field::label, "label", "ラベル"},
};

constexpr Entry<Text> kTexts[] = {
    {Text::usage,
     "usage: Cor2TavikCmd MODEL.dat3\n"
     "       Cor2TavikCmd --help | --version\n"
     "\n"
     "Converts MODEL.dat3, and Displacement.dat, Stress.dat and Strain.dat from\n"
     "the same directory when they exist, into the neutral file MODEL.std.\n"
     "\n"
     "exit status: 0 written; 3 written, but the input had problems (listed on\n"
     "stderr); 1 nothing written; 2 usage error.\n"
     "\n"
     "-h, --help: this text. -V, --version: the program's name and version.\n"
     "A model named like an option is given with its directory: ./--version.dat3.\n",
     "使い方: Cor2TavikCmd MODEL.dat3\n"
     "        Cor2TavikCmd --help | --version\n"
     "\n"
     "解析モデル MODEL.dat3 と、同じフォルダーにあれば Displacement.dat、\n"
     "Stress.dat、Strain.dat を読み、TAVIKデータ MODEL.std に変換します。\n"
     "\n"
     "終了ステータス:\n"
     "  0  書き出しました\n"
     "  3  書き出しましたが、入力に問題がありました（標準エラー出力に一覧）\n"
     "  1  何も書き出していません\n"
     "  2  使い方の誤りです\n"
     "\n"
     "-h, --help: この説明を表示します。-V, --version: プログラム名とバージョンを表示します。\n"
     "オプションのような名前の解析モデルは、フォルダーを付けて指定します: ./--version.dat3\n"},
    {Text::moreProblems, "... and {0} more problems\n", "... ほかに {0} 件の問題があります\n"},
    {Text::failureBox,
     "Nothing was converted. No TAVIK data was written.\n\nFile: {0}\nReason: {1}\n\n"
     "Correct the path and press OK, or press Cancel to end.",
     "変換できませんでした。TAVIKデータは書き出していません。\n\nファイル：{0}\n理由：{1}\n\n"
     "パスを直して OK を押すか、ｷｬﾝｾﾙで終了してください。"},
    {Text::fileAtLine, "{0} (line {1})", "{0}（{1} 行目）"},
    {Text::problemsBox, "The TAVIK data was written, but the input had {0} problems.",
     "TAVIKデータを書き出しましたが、入力に {0} 件の問題がありました。"},
    {Text::outputFile, "Output: {0}", "出力：{0}"},
    {Text::problemAtLine, "{0}, line {1}: {2}", "{0}（{1} 行目）：{2}"},
    {Text::problemInFile, "{0}: {1}", "{0}：{1}"},
    {Text::moreInBox, "and {0} more", "ほか {0} 件"},
};

// Every entry in its key's place, in both languages, with its braces closed.
template <class Key, std::size_t n>
constexpr bool Complete(const Entry<Key> (&table)[n]) {
    if (n != static_cast<std::size_t>(Key::count)) return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (static_cast<std::size_t>(table[i].key) != i || table[i].english.empty() || table[i].japanese.empty())
            return false;
        for (std::string_view text : {table[i].english, table[i].japanese}) {
            bool open = false;
            for (char c : text) {
                if (c == '{' ? open : c == '}' ? !open : false) return false;
                if (c == '{' || c == '}') open = c == '{';
            }
            if (open) return false;
        }
    }
    return true;
}
static_assert(Complete(kReasons), "each Reason needs its entry, in enum order, in both languages");
static_assert(Complete(kSubjects), "each Subject needs its entry, in enum order, in both languages");
static_assert(Complete(kFields), "each Field needs its entry, in enum order, in both languages");
static_assert(Complete(kTexts), "each Text needs its entry, in enum order, in both languages");

template <class Key, std::size_t n>
std::string_view Lookup(const Entry<Key> (&table)[n], Key key, Language language) {
    const Entry<Key>& entry = table[static_cast<std::size_t>(key)];
    return language == Language::japanese ? entry.japanese : entry.english;
}

// The pattern with each {name} replaced by value(name).
template <class Value>
std::string Fill(std::string_view pattern, Value value) {
    std::string text;
    std::size_t at = 0;
    for (std::size_t open; (open = pattern.find('{', at)) != std::string_view::npos;) {
        const std::size_t close = pattern.find('}', open);
        text.append(pattern, at, open - at);
        text += value(pattern.substr(open + 1, close - open - 1));
        at = close + 1;
    }
    text.append(pattern, at);
    return text;
}

// The system's answers a job can meet, in Japanese.
std::string_view JapaneseSystemError(int error) {
    switch (error) {
    case ENOENT: return "ファイルまたはフォルダーがありません";
    case EACCES:
    case EPERM: return "アクセス権がありません";
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        return "ほかのプログラムが使用中です";
    case ENOSPC: return "ディスクに空きがありません";
#ifdef EDQUOT
    case EDQUOT: return "ディスクの使用量の上限を超えています";
#endif
    case EROFS: return "読み取り専用のファイルシステムです";
    case EISDIR: return "フォルダーです";
    case ENOTDIR: return "パスの途中にフォルダーでないものがあります";
    case ENAMETOOLONG: return "名前が長すぎます";
    case EMFILE:
    case ENFILE: return "開いているファイルが多すぎます";
    case EIO: return "入出力エラーが起きました";
    case ENOMEM: return "メモリが足りません";
    case EMLINK: return "リンクが多すぎます";
#ifdef ELOOP
    case ELOOP: return "シンボリックリンクの参照が多すぎます";
#endif
    default: return {};
    }
}

}  // namespace

std::string SystemErrorText(int error, Language language) {
    if (language == Language::japanese) {
        const std::string_view known = JapaneseSystemError(error);
        if (!known.empty()) return std::string(known);
        return "システムエラー（番号 " + std::to_string(error) + "）：" + platform::ErrorText(error);
    }
    return platform::ErrorText(error);
}

std::string Message(const Problem& problem, Language language) {
    if (problem.reason >= Reason::count) return "?";
    return Fill(Lookup(kReasons, problem.reason, language), [&](std::string_view name) -> std::string {
        if (name == "n0") return std::to_string(problem.numbers[0]);
        if (name == "n1") return std::to_string(problem.numbers[1]);
        if (name == "max") return std::to_string(kMaxPathLength);
        if (name == "error") return SystemErrorText(problem.systemError, language);
        if (name == "field" && problem.field < Field::count) return std::string(Lookup(kFields, problem.field, language));
        if (name == "subject" && problem.subject < Subject::count)
            return Fill(Lookup(kSubjects, problem.subject, language),
                        [&](std::string_view) { return std::to_string(problem.index); });
        return "?";
    });
}

std::string Say(Text text, Language language, std::initializer_list<std::string_view> arguments) {
    if (text >= Text::count) return {};
    return Fill(Lookup(kTexts, text, language), [&](std::string_view name) {
        const std::size_t i = name.empty() ? arguments.size() : static_cast<std::size_t>(name[0] - '0');
        return i < arguments.size() ? std::string(arguments.begin()[i]) : std::string();
    });
}

}  // namespace cor2tavik
