// SPDX-License-Identifier: GPL-3.0-or-later
// Times opening an edit card (combos filled, photo decoded) and saving it with the list refresh,
// against the list build alone.
#include "BenchPrompter.h"
#include "BenchSupport.h"
#include "CardOpening.h"

#include "card/PhotoFrame.h"
#include "card/frmCard.h"
#include "contacts/ContactListLoader.h"
#include "contacts/ContactListView.h"
#include "db/Database.h"
#include "db/PictureBag.h"
#include "db/Session.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTextStream>

namespace {

// A camera-sized JPEG, so the decode costs what a real photo costs.
QByteArray photoJpeg()
{
    QImage image(640, 480, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int y = 0; y < image.height(); y += 8)
        painter.fillRect(0, y, image.width(), 8, QColor::fromHsv((y * 3) % 360, 120, 220));
    painter.drawEllipse(image.rect().adjusted(120, 40, -120, -40));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

void rebuildList(const Database& db, ContactListView& view)
{
    ContactListFilter filter; // the root group, as after a save with the root selected
    auto rows = ContactListLoader::load(db, filter);
    if (!rows)
        Bench::fail(QStringLiteral("cannot load the list: ") + rows.error().description);
    view.showRows(std::move(rows).value(), {}, {});
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Bench::Arguments args = Bench::databaseArguments(
        QStringLiteral("bench_card"), QStringLiteral("bench_makedata writes the database"));
    const QString path = args.path;
    int runs = args.runs;

    Database db;
    Bench::open(db, path);
    const qint64 n =
        Bench::scalar(db, QStringLiteral("SELECT count(*) FROM Vardelin_Contact")).toLongLong();
    if (runs <= 0)
        runs = n > 20000 ? 7 : 11;

    // The contact in the middle of the table carries a real photo.
    const qint64 contactId =
        Bench::scalar(
            db, QStringLiteral("SELECT ID FROM Vardelin_Contact ORDER BY ID LIMIT 1 OFFSET ") +
                    QString::number(n / 2))
            .toLongLong();
    const QByteArray jpeg = photoJpeg();
    if (Status photo = db.exec(QStringLiteral("UPDATE Vardelin_Contact SET Photo = ? WHERE ID = ?"),
                               {PictureBag::ofPicture(jpeg), contactId});
        !photo)
        Bench::fail(QStringLiteral("cannot store the photo: ") + photo.error().description);

    Session session;
    BenchPrompter prompter{true};
    const CardRequest request{true, contactId, 0, false};
    std::size_t departments = 0;
    const double openMs =
        Bench::medianCardOpenMs(db, prompter, request, runs, [&](frmCard& card) {
            if (card.loadError() || card.editors().photo()->image().isNull())
                Bench::fail(QStringLiteral("the card did not load its contact and photo"));
            departments = card.findChild<QComboBox*>(QStringLiteral("Edit_Deptment"))->count();
        });
    Bench::printRow(QStringLiteral("card: open an edit card (%1 departments, %2 KB photo "
                                   "decoded; target 50 ms)")
                        .arg(departments)
                        .arg(jpeg.size() / 1024),
                    n, openMs);

    ContactListView view;
    rebuildList(db, view);
    std::vector<double> saveMs;
    std::vector<double> listMs;
    for (int run = 0; run <= runs; ++run) {
        frmCard card(db, session, prompter, request);
        const double saving = Bench::elapsedMs([&] {
            if (!card.SaveCard())
                Bench::fail(QStringLiteral("the card did not save"));
            rebuildList(db, view);
        });
        const double listing = Bench::elapsedMs([&] { rebuildList(db, view); });
        if (run > 0) {
            saveMs.push_back(saving);
            listMs.push_back(listing);
        }
    }
    Bench::printRow(QStringLiteral("card: save with the list refresh vs the list build alone "
                                   "(%1 rows; target ratio 1.2)")
                        .arg(view.model()->rowCount()),
                    n, Bench::median(saveMs), Bench::median(listMs));
    QTextStream(stderr) << "bench_card: contact " << contactId << ", " << runs << " runs\n";
    return 0;
}
