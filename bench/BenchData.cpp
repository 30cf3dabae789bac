// SPDX-License-Identifier: GPL-3.0-or-later
// Generates the benchmark address book: groups, accounts and contacts in one transaction.
#include "BenchData.h"

#include "contacts/PinyinInitial.h"
#include "contacts/SearchIndex.h"
#include "db/Database.h"
#include "db/InitialData.h"
#include "db/Scramble.h"

#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint64_t seed = 20240601;

// The surnames, most frequent first.
constexpr std::u16string_view surnames =
    u"王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡"
    u"余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯"
    u"龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤";

constexpr std::u16string_view givenNameCharacters =
    u"伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀英霞平刚桂兰华红玉文建国志海燕鹏辉斌宇浩凯俊晨欣雪"
    u"婷慧琳佳丹亮飞峰龙阳宁新春梅晓思雨子涵轩博泽";

constexpr std::array<const char16_t*, 10> topGroupNames{
    u"客户", u"供应商", u"合作伙伴", u"同事", u"同学",
    u"亲戚", u"朋友",   u"政府机关", u"媒体", u"其他"};
constexpr std::array<const char16_t*, 4> regionNames{u"华北", u"华东", u"华南", u"西部"};
constexpr std::array<const char16_t*, 40> cityNames{
    u"北京", u"天津", u"石家庄", u"太原",   u"呼和浩特", u"上海", u"南京", u"杭州",
    u"合肥", u"福州", u"济南",   u"南昌",   u"广州",     u"深圳", u"南宁", u"海口",
    u"厦门", u"珠海", u"汕头",   u"佛山",   u"成都",     u"重庆", u"西安", u"昆明",
    u"贵阳", u"兰州", u"西宁",   u"银川",   u"乌鲁木齐", u"拉萨", u"武汉", u"长沙",
    u"郑州", u"沈阳", u"长春",   u"哈尔滨", u"大连",     u"青岛", u"苏州", u"宁波"};
constexpr std::array<const char16_t*, 12> districtNames{
    u"朝阳区", u"海淀区", u"浦东新区", u"天河区", u"南山区", u"西湖区",
    u"鼓楼区", u"武侯区", u"江汉区",   u"雁塔区", u"渝中区", u"和平区"};
constexpr std::array<const char16_t*, 10> roadNames{u"人民路", u"解放路", u"建设路", u"中山路",
                                                    u"和平路", u"新华路", u"胜利路", u"文化路",
                                                    u"长江路", u"黄河路"};
constexpr std::array<const char16_t*, 16> companyCores{
    u"华信", u"中联", u"恒通", u"鼎盛", u"新宇", u"宏达", u"远景", u"金桥",
    u"天成", u"瑞丰", u"博远", u"嘉禾", u"明德", u"启航", u"锦程", u"安泰"};
constexpr std::array<const char16_t*, 10> companyTrades{
    u"科技", u"贸易", u"网络", u"电子", u"实业", u"建设", u"物流", u"文化传媒", u"医药", u"咨询"};
constexpr std::array<const char16_t*, 12> departments{u"销售部", u"市场部", u"技术部", u"研发部",
                                                      u"财务部", u"人事部", u"行政部", u"采购部",
                                                      u"客服部", u"生产部", u"质量部", u"总经办"};
constexpr std::array<const char16_t*, 12> posts{u"经理",   u"副经理",     u"总监", u"主管",
                                                u"工程师", u"高级工程师", u"会计", u"销售代表",
                                                u"总经理", u"助理",       u"专员", u"董事长"};
constexpr std::array<const char16_t*, 7> mailDomains{
    u"163.com", u"126.com", u"qq.com", u"sina.com", u"sohu.com", u"gmail.com", u"foxmail.com"};
constexpr std::array<const char16_t*, 8> remarks{u"老客户",       u"春节需要拜访", u"合作愉快",
                                                 u"需跟进报价",   u"校友",         u"展会认识",
                                                 u"介绍人：老陈", u"年底对账"};
constexpr std::array<const char16_t*, 25> mobilePrefixes{
    u"130", u"131", u"132", u"133", u"135", u"136", u"137", u"138", u"139",
    u"150", u"151", u"152", u"155", u"156", u"158", u"159", u"176", u"177",
    u"180", u"181", u"186", u"187", u"188", u"189", u"199"};
constexpr std::array<const char16_t*, 4> accountNames{u"小王", u"小李", u"小张", u"小刘"};

// Columns written as text, in the order of the values of GeneratedContact::texts.
constexpr std::array<const char*, 21> textColumns{
    "Name",           "Py",      "Sex",     "Tel1",        "Tel2",     "Tel3",     "Moblie1",
    "Moblie2",        "Moblie3", "Address", "CompanyName", "Deptment", "Post",     "OfficePhone1",
    "CompanyAddress", "QQ1",     "Mail1",   "ZipCode",     "Remark",   "Birthday", "AddDate"};

// Deterministic on every platform: only the engine's raw output is used.
class Random {
public:
    explicit Random(std::uint64_t start)
        : m_engine(start)
    {
    }

    std::uint64_t next() { return m_engine(); }
    // A whole number in [0, bound).
    int below(int bound) { return int(m_engine() % std::uint64_t(bound)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool percent(int chance) { return below(100) < chance; }

    template <std::size_t N> QString pick(const std::array<const char16_t*, N>& items)
    {
        return QString::fromUtf16(items[below(int(N))]);
    }

    QString digits(int count)
    {
        QString text(count, Qt::Uninitialized);
        for (QChar& c : text)
            c = QChar(u'0' + below(10));
        return text;
    }

    QByteArray bytes(int count)
    {
        QByteArray data(count, Qt::Uninitialized);
        for (char& byte : data)
            byte = char(m_engine() & 0xff);
        return data;
    }

private:
    std::mt19937_64 m_engine;
};

// Picks an index with a chance proportional to its weight.
class WeightedPick {
public:
    explicit WeightedPick(const std::vector<std::uint64_t>& weights)
    {
        std::uint64_t total = 0;
        for (std::uint64_t weight : weights)
            m_upTo.push_back(total += weight);
    }

    int operator()(Random& random) const
    {
        const std::uint64_t point = random.next() % m_upTo.back();
        return int(std::upper_bound(m_upTo.begin(), m_upTo.end(), point) - m_upTo.begin());
    }

private:
    std::vector<std::uint64_t> m_upTo;
};

struct Group {
    qint64 id;
    qint64 parentId;
    int number;
    QString name;
};

struct GeneratedContact {
    qint64 userId = 1;
    qint64 groupId = 1;
    std::array<QString, textColumns.size()> texts;
    QByteArray photo;
};

// A plain connection that writes the rows; statements are finalized by Statement.
class Writer {
public:
    explicit Writer(const QString& path)
    {
        const QByteArray file = path.toUtf8();
        if (sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            m_failed = true;
    }
    ~Writer() { sqlite3_close(m_db); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    sqlite3* handle() const { return m_db; }
    DbError error() const
    {
        return DbError{sqlite3_errcode(m_db) & 0xff,
                       QStringLiteral("generating the data failed: ") +
                           QString::fromUtf8(sqlite3_errmsg(m_db))};
    }
    Status exec(const char* sql)
    {
        if (m_failed || sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            return error();
        return {};
    }

private:
    sqlite3* m_db = nullptr;
    bool m_failed = false;
};

class Statement {
public:
    Statement(Writer& writer, const QString& sql)
        : m_writer(writer)
    {
        const QByteArray text = sql.toUtf8();
        sqlite3_prepare_v2(writer.handle(), text.constData(), int(text.size()), &m_statement,
                           nullptr);
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, qint64 value) { sqlite3_bind_int64(m_statement, index, value); }
    void bind(int index, const QString& value)
    {
        sqlite3_bind_text16(m_statement, index, value.utf16(), int(value.size() * 2),
                            SQLITE_TRANSIENT);
    }
    void bind(int index, const QByteArray& value)
    {
        if (value.isNull())
            sqlite3_bind_null(m_statement, index);
        else
            sqlite3_bind_blob(m_statement, index, value.constData(), int(value.size()),
                              SQLITE_STATIC);
    }
    // Runs the statement with the values bound so far and readies it for the next row.
    Status run()
    {
        const int outcome = m_statement ? sqlite3_step(m_statement) : SQLITE_ERROR;
        sqlite3_reset(m_statement);
        if (outcome != SQLITE_DONE)
            return m_writer.error();
        return {};
    }

private:
    Writer& m_writer;
    sqlite3_stmt* m_statement = nullptr;
};

std::vector<Group> groupLayout()
{
    std::vector<Group> groups;
    qint64 nextId = 2;
    for (std::size_t top = 0; top < topGroupNames.size(); ++top)
        groups.push_back({nextId++, 1, int(top) + 1, QString::fromUtf16(topGroupNames[top])});
    const qint64 firstTopId = 2;
    const int middleCount = int(topGroupNames.size() * regionNames.size());
    for (int middle = 0; middle < middleCount; ++middle) {
        const int region = middle % int(regionNames.size());
        groups.push_back({nextId++, firstTopId + middle / int(regionNames.size()), region + 1,
                          QString::fromUtf16(regionNames[region]) + u'区'});
    }
    // The first 30 middle groups get four groups below them, the other 10 three.
    const qint64 firstMiddleId = firstTopId + qint64(topGroupNames.size());
    for (int middle = 0; middle < middleCount; ++middle) {
        const int below = middle < 30 ? 4 : 3;
        for (int k = 0; k < below; ++k) {
            const auto city = QString::fromUtf16(cityNames[(middle * 4 + k) % cityNames.size()]);
            groups.push_back({nextId++, firstMiddleId + middle, k + 1, city});
        }
    }
    return groups;
}

// A few large groups and many small ones, with the largest groups spread over the levels.
WeightedPick groupPick()
{
    std::vector<std::uint64_t> weights;
    for (int g = 0; g < BenchData::groupCount; ++g) {
        const int rank = (g * 37) % BenchData::groupCount;
        weights.push_back(std::uint64_t(1'000'000 / std::sqrt(rank + 1.0)));
    }
    return WeightedPick(weights);
}

WeightedPick surnamePick()
{
    std::vector<std::uint64_t> weights;
    for (std::size_t rank = 0; rank < surnames.size(); ++rank)
        weights.push_back(1'000'000 / (rank + 4));
    return WeightedPick(weights);
}

QString date(Random& random, int firstYear, int lastYear)
{
    return QStringLiteral("%1-%2-%3")
        .arg(random.between(firstYear, lastYear))
        .arg(random.between(1, 12), 2, 10, QChar(u'0'))
        .arg(random.between(1, 28), 2, 10, QChar(u'0'));
}

// Every piece is drawn in turn: the operands of "+" have no fixed order of evaluation.
QString joined(std::initializer_list<QString> pieces)
{
    QString text;
    for (const QString& piece : pieces)
        text += piece;
    return text;
}

QString mobile(Random& random)
{
    return joined({random.pick(mobilePrefixes), random.digits(8)});
}

QString landline(Random& random)
{
    return joined({QString(QChar(u'0' + random.between(2, 8))), random.digits(7)});
}

QString officePhone(Random& random)
{
    return joined({QStringLiteral("0"), random.digits(2), QStringLiteral("-"), landline(random)});
}

QString sometimes(Random& random, int chance, const QString& text)
{
    return random.percent(chance) ? text : QString();
}

QString mailAddress(Random& random)
{
    QString local;
    const int letters = random.between(5, 9);
    for (int i = 0; i < letters; ++i)
        local += QChar(u'a' + random.below(26));
    if (random.percent(60))
        local += random.digits(random.between(2, 4));
    return joined({local, QStringLiteral("@"), random.pick(mailDomains)});
}

QString address(Random& random)
{
    return joined({random.pick(cityNames), QStringLiteral("市"), random.pick(districtNames),
                   random.pick(roadNames), QString::number(random.between(1, 999)),
                   QStringLiteral("号")});
}

GeneratedContact generate(Random& random, const WeightedPick& pickSurname,
                          const WeightedPick& pickGroup, const std::vector<Group>& groups,
                          int index)
{
    GeneratedContact contact;
    contact.userId = random.percent(90) ? 1 : random.between(2, 1 + int(accountNames.size()));
    contact.groupId = groups[pickGroup(random)].id;

    const int surname = pickSurname(random);
    QString name{QChar(surnames[surname])};
    const int given = random.percent(40) ? 1 : 2;
    for (int i = 0; i < given; ++i)
        name += QChar(givenNameCharacters[random.below(int(givenNameCharacters.size()))]);
    const QString company =
        joined({random.pick(cityNames), random.pick(companyCores), random.pick(companyTrades),
                random.percent(20) ? QStringLiteral("股份有限公司") : QStringLiteral("有限公司")});

    contact.texts = {name,
                     pinyinInitial(name),
                     random.percent(50) ? QStringLiteral("男") : QStringLiteral("女"),
                     landline(random),
                     sometimes(random, 15, landline(random)),
                     sometimes(random, 30, landline(random)),
                     mobile(random),
                     sometimes(random, 20, mobile(random)),
                     sometimes(random, 3, mobile(random)),
                     address(random),
                     company,
                     random.pick(departments),
                     random.pick(posts),
                     sometimes(random, 50, officePhone(random)),
                     address(random),
                     sometimes(random, 50, QString::number(random.between(100000, 2'000'000'000))),
                     mailAddress(random),
                     random.digits(6),
                     sometimes(random, 20, random.pick(remarks)),
                     sometimes(random, 60, date(random, 1950, 2005)),
                     date(random, 2010, 2024)};
    if (index % BenchData::photoEvery == 0)
        contact.photo = random.bytes(BenchData::photoBytes);
    return contact;
}

Status insertGroups(Writer& writer, const std::vector<Group>& groups)
{
    Statement insert(writer, QStringLiteral("INSERT INTO Vardelin_Type (ID, PID, Number, Name) "
                                            "VALUES (?, ?, ?, ?)"));
    for (const Group& group : groups) {
        insert.bind(1, group.id);
        insert.bind(2, group.parentId);
        insert.bind(3, qint64(group.number));
        insert.bind(4, group.name);
        if (Status done = insert.run(); !done)
            return done;
    }
    return {};
}

Status insertAccounts(Writer& writer)
{
    Statement insert(writer, QStringLiteral("INSERT INTO Vardelin_Login (ID, Name, Pass, Skin, "
                                            "Dock) VALUES (?, ?, ?, 'Silver', '')"));
    const QString pass =
        Scramble::storedPassword(QStringLiteral("123456"), InitialData::rootNumber);
    for (std::size_t i = 0; i < accountNames.size(); ++i) {
        insert.bind(1, qint64(i) + 2);
        insert.bind(2, QString::fromUtf16(accountNames[i]));
        insert.bind(3, pass);
        if (Status done = insert.run(); !done)
            return done;
    }
    return {};
}

QString contactInsertSql()
{
    QStringList columns{QStringLiteral("UID"), QStringLiteral("TID")};
    for (const char* column : textColumns)
        columns << QString::fromLatin1(column);
    columns << QStringLiteral("Photo");
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO Vardelin_Contact (") + columns.join(QStringLiteral(", ")) +
           QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + u')';
}

Status insertContacts(Writer& writer, const std::vector<Group>& groups, int count)
{
    Random random(seed);
    const WeightedPick pickSurname = surnamePick();
    const WeightedPick pickGroup = groupPick();
    Statement insert(writer, contactInsertSql());
    for (int index = 0; index < count; ++index) {
        const GeneratedContact contact = generate(random, pickSurname, pickGroup, groups, index);
        int column = 1;
        insert.bind(column++, contact.userId);
        insert.bind(column++, contact.groupId);
        for (const QString& text : contact.texts)
            insert.bind(column++, text);
        insert.bind(column, contact.photo);
        if (Status done = insert.run(); !done)
            return done;
    }
    return {};
}

Status fill(const QString& path, int contactCount)
{
    Writer writer(path);
    const std::vector<Group> groups = groupLayout();
    for (const char* setting : {"PRAGMA synchronous = OFF", "PRAGMA journal_mode = MEMORY"}) {
        if (Status done = writer.exec(setting); !done)
            return done;
    }
    if (Status begun = writer.exec("BEGIN"); !begun)
        return begun;
    Status filled = insertGroups(writer, groups);
    if (filled)
        filled = insertAccounts(writer);
    if (filled)
        filled = insertContacts(writer, groups, contactCount);
    if (!filled) {
        writer.exec("ROLLBACK");
        return filled;
    }
    if (Status committed = writer.exec("COMMIT"); !committed)
        return committed;
    return writer.exec("ANALYZE");
}

} // namespace

Status BenchData::build(const QString& path, int contactCount)
{
    if (Status created = Database::create(path); !created)
        return created;
    Status filled = fill(path, contactCount);
    // The rows went in on a plain connection, as another program's would: the search table's
    // text is there, its pinyin and digits are filled as the program fills them.
    if (filled) {
        Database db;
        filled = db.open(path);
        if (filled)
            filled = SearchIndex::refreshAlone(db);
    }
    if (!filled)
        QFile::remove(path);
    return filled;
}
