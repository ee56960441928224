#include "framework/listfichier.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

struct TNameCase
{
    const char *path;
    const char *fileName;
    const char *extension;
    const char *folder;
    const char *shortName;
};

class RecordNames : public testing::TestWithParam<TNameCase> {};

TEST_P(RecordNames, SplitsThePath)
{
    const TNameCase &c = GetParam();
    const TAbstractListFichier record(QString::fromUtf8(c.path));
    EXPECT_EQ(record.fullPath(), QString::fromUtf8(c.path));
    EXPECT_EQ(record.fileName(), QString::fromUtf8(c.fileName));
    EXPECT_EQ(record.extension(), QString::fromUtf8(c.extension));
    EXPECT_EQ(record.folder(), QString::fromUtf8(c.folder));
    EXPECT_EQ(record.shortName(), QString::fromUtf8(c.shortName));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RecordNames,
    testing::Values(TNameCase{"/videos/Été/Clip.One.AVI", "Clip.One.AVI", ".avi", "/videos/Été/", "Clip.One"},
                    TNameCase{"/videos/dir.d/noext", "noext", "", "/videos/dir.d/", "noext"},
                    TNameCase{"/videos/.hidden", ".hidden", ".hidden", "/videos/", ""},
                    TNameCase{"relative.avi", "relative.avi", ".avi", "", "relative"}));

TEST(RecordSortKeys, BaseKeysEndWithTheLowerCasePath)
{
    const TAbstractListFichier record(QStringLiteral("/V/Clip.AVI"));
    EXPECT_EQ(record.GetSortKey(sortindex::Alpha()), QStringLiteral("clip.avi/v/clip.avi"));
    EXPECT_EQ(record.GetSortKey(sortindex::Extension()), QStringLiteral(".avi/v/clip.avi"));
    EXPECT_EQ(record.GetSortKey(sortindex::Path()), QStringLiteral("/v/clip.avi"));
    EXPECT_EQ(record.GetSortKey(sortindex::Taille()), QString());
    EXPECT_EQ(record.GetSortKey(sortindex::Datecode()), QString());
    EXPECT_EQ(record.GetSortKey(TSortIndex{QStringLiteral("nonsense"), {}, {}}), QString());
}

TEST(RecordSortKeys, SameNameInTwoFoldersSortsByNameThenPath)
{
    TAbstractListFichier b1(QStringLiteral("/z/B.avi")), b2(QStringLiteral("/a/b.avi")), a(QStringLiteral("/y/a.avi"));
    std::vector<TAbstractListFichier *> records{&b1, &b2, &a};
    SortFichiers(records, sortindex::Alpha());
    EXPECT_EQ(records, (std::vector<TAbstractListFichier *>{&a, &b2, &b1}));
}

TFileEntry Entry(quint64 size, const QDateTime &written)
{
    TFileEntry e;
    e.sizeHigh = quint32(size >> 32);
    e.sizeLow = quint32(size);
    e.lastWriteTime = written;
    return e;
}

TEST(RecordSortKeys, SizeKeyPutsTheHighHalfFirst)
{
    const QDateTime when(QDate(2005, 6, 7), QTime(8, 9, 10));
    TSRFichier big(QStringLiteral("/v"), Entry(5ull << 30, when), QStringLiteral("big.avi"));
    TSRFichier small(QStringLiteral("/v/"), Entry(1ull << 30, when), QStringLiteral("small.avi"));
    EXPECT_EQ(big.fullPath(), QStringLiteral("/v/big.avi"));
    EXPECT_EQ(big.size(), 5ull << 30);
    EXPECT_EQ(big.GetSortKey(sortindex::Taille()),
              QStringLiteral("00000000000000010000000040000000/v/big.avi"));

    std::vector<TSRFichier *> records{&big, &small};
    SortFichiers(records, sortindex::Taille());
    EXPECT_EQ(records, (std::vector<TSRFichier *>{&small, &big}));
}

TEST(RecordSortKeys, DateKeyIsTheLastWriteTime)
{
    TSRFichier older(QStringLiteral("/v"), Entry(1, QDateTime(QDate(2005, 6, 7), QTime(8, 9, 10))), QStringLiteral("Z.avi"));
    TSRFichier newer(QStringLiteral("/v"), Entry(1, QDateTime(QDate(2010, 1, 2), QTime(3, 4, 5))), QStringLiteral("a.avi"));
    EXPECT_EQ(older.GetSortKey(sortindex::Modify()), QStringLiteral("20050607080910/v/z.avi"));
    std::vector<TSRFichier *> records{&newer, &older};
    SortFichiers(records, sortindex::Modify());
    EXPECT_EQ(records, (std::vector<TSRFichier *>{&older, &newer}));
    // The base keys still answer.
    EXPECT_EQ(newer.GetSortKey(sortindex::Alpha()), QStringLiteral("a.avi/v/a.avi"));
}

TEST(RecordSortKeys, ComparisonIgnoresCase)
{
    EXPECT_EQ(CompareSortKeys(QStringLiteral("ABC"), QStringLiteral("abc")), 0);
    EXPECT_LT(CompareSortKeys(QStringLiteral("abc"), QStringLiteral("ABD")), 0);
}

// A derived record answers its own order and hands the others to its base.
class TDerivedRecord final : public TSRFichier
{
public:
    using TSRFichier::TSRFichier;
    QString GetSortKey(const TSortIndex &index) const override
    {
        if (index.id == sortindex::Datecode().id)
            return QStringLiteral("N/A") + fullPath().toLower();
        return TSRFichier::GetSortKey(index);
    }
};

TEST(RecordSortKeys, DerivedRecordsOverrideTheLookup)
{
    std::unique_ptr<TAbstractListFichier> record = std::make_unique<TDerivedRecord>(QStringLiteral("/v/A.avi"));
    EXPECT_EQ(record->GetSortKey(sortindex::Datecode()), QStringLiteral("N/A/v/a.avi"));
    EXPECT_EQ(record->GetSortKey(sortindex::Path()), QStringLiteral("/v/a.avi"));
}

TEST(SRFichier, LooksThePathUp)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("clip.avi"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(1234, 'x'));
    f.close();

    const TSRFichier writable(path);
    EXPECT_TRUE(writable.exists());
    EXPECT_EQ(writable.size(), 1234u);
    EXPECT_FALSE(writable.readOnly());
    EXPECT_EQ(writable.lastWriteTime(), QFileInfo(path).lastModified());
    EXPECT_TRUE(writable.creationTime().isValid());

    ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::ReadUser));
    EXPECT_TRUE(TSRFichier(path).readOnly());

    const TSRFichier missing(dir.filePath(QStringLiteral("Missing.AVI")));
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.size(), 0u);
    EXPECT_EQ(missing.fileName(), QStringLiteral("Missing.AVI"));
    EXPECT_EQ(missing.extension(), QStringLiteral(".avi"));
}

struct TStoredIdCase
{
    const char *stored;
    const char *id;
};

class StoredSortId : public testing::TestWithParam<TStoredIdCase> {};

TEST_P(StoredSortId, MapsBackToASortOrder)
{
    const TSortIndex index = sortindex::FromStoredId(QString::fromUtf8(GetParam().stored));
    EXPECT_EQ(index.id, QString::fromUtf8(GetParam().id));
    EXPECT_TRUE(std::find(sortindex::All().begin(), sortindex::All().end(), index) != sortindex::All().end());
}

INSTANTIATE_TEST_SUITE_P(
    Ids, StoredSortId,
    testing::Values(TStoredIdCase{"alpha", "alpha"}, TStoredIdCase{"modify", "modify"},
                    TStoredIdCase{"size", "taille"}, TStoredIdCase{"datecode", "datecode"},
                    TStoredIdCase{"timecode", "timecode"}, TStoredIdCase{"duration", "duration"},
                    TStoredIdCase{"taille", "alpha"}, TStoredIdCase{"extension", "alpha"},
                    TStoredIdCase{"", "alpha"}, TStoredIdCase{"Size", "alpha"}));

TEST(StoredSortId, RoundTripsTheStorableOrders)
{
    for (const TSortIndex &index : {sortindex::Alpha(), sortindex::Modify(), sortindex::Taille(),
                                    sortindex::Datecode(), sortindex::Timecode(), sortindex::Duration()})
        EXPECT_EQ(sortindex::FromStoredId(sortindex::StoredId(index)), index);
    EXPECT_EQ(sortindex::StoredId(sortindex::Taille()), QStringLiteral("size"));
}

} // namespace
