// SPDX-License-Identifier: GPL-3.0-or-later
// GLib's headers come before Qt's, whose keyword macros they would otherwise meet.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include "CompoundFile.h"

#include "SheetErrors.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace CompoundFile {

namespace {

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using Owned = std::unique_ptr<T, Unref>;

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

DbError brokenContainer()
{
    return SheetErrors::damaged(QStringLiteral("文件的复合文档结构已损坏"));
}

// The stream named `name` in any letter case; writers differ ("Workbook", "WORKBOOK").
int childNamed(GsfInfile* file, const char* name)
{
    const int count = gsf_infile_num_children(file);
    for (int i = 0; i < count; ++i)
        if (const char* child = gsf_infile_name_by_index(file, i);
            child && g_ascii_strcasecmp(child, name) == 0)
            return i;
    return -1;
}

Result<QByteArray> wholeStream(GsfInput* stream, qint64 largest)
{
    const gsf_off_t size = gsf_input_size(stream);
    if (size < 0 || size > largest)
        return brokenContainer();
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    constexpr gsf_off_t chunk = 1 << 20;
    for (gsf_off_t at = 0; at < size;) {
        const gsf_off_t here = std::min(chunk, size - at);
        if (!gsf_input_read(stream, size_t(here), reinterpret_cast<guint8*>(bytes.data() + at)))
            return brokenContainer();
        at += here;
    }
    return bytes;
}

} // namespace

Result<Contents> read(const QString& path)
{
    const QByteArray localPath = QFile::encodeName(path);
    GError* failure = nullptr;
    Owned<GsfInput> input(gsf_input_stdio_new(localPath.constData(), &failure));
    std::unique_ptr<GError, ErrorFree> inputFailure(failure);
    if (!input)
        return importError(ImportErrorCode::CannotOpen,
                           QStringLiteral("不能打开文件：%1").arg(path));
    failure = nullptr;
    Owned<GsfInfile> file(gsf_infile_msole_new(input.get(), &failure));
    std::unique_ptr<GError, ErrorFree> fileFailure(failure);
    if (!file)
        return brokenContainer();

    Contents contents;
    int workbook = childNamed(file.get(), "Workbook");
    if (workbook < 0)
        workbook = childNamed(file.get(), "Book");
    if (workbook < 0) {
        contents.kind = childNamed(file.get(), "EncryptedPackage") >= 0 ? Contents::Kind::Encrypted
                                                                        : Contents::Kind::Other;
        return contents;
    }
    Owned<GsfInput> stream(gsf_infile_child_by_index(file.get(), workbook));
    if (!stream)
        return brokenContainer();
    // No stream is longer than the file that holds it; a size beyond it is a damaged directory.
    auto bytes = wholeStream(stream.get(), QFileInfo(path).size());
    if (!bytes)
        return bytes.error();
    contents.kind = Contents::Kind::Workbook;
    contents.workbook = std::move(bytes.value());
    return contents;
}

} // namespace CompoundFile
