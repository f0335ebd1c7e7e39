// The pictures of the pavings in pavings/ as the solver program draws them:
// each BMP file the same byte for byte as the one whose SHA-256 is kept in
// pavings/expected.sha256 (the pictures the first, Qt-drawn version of the
// program made), each PNG file the same pixels as the BMP file. The pavings
// are random problems of one and two variables: boxes on every edge of the
// picture, huge and tiny ranges, swapped axes, quantified parameters.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

const QString kPavings = QStringLiteral(MODAL_SOURCE_DIR "/tests/solver/plot/pavings");

TEST(Pavings, PicturesAreTheSameAsTheKeptOnes) {
    QFile list(kPavings + QStringLiteral("/expected.sha256"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly | QIODevice::Text));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int checked = 0;
    QTextStream lines(&list);
    while (!lines.atEnd()) {
        const QStringList fields = lines.readLine().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() != 2) continue;
        const QString& expected = fields[0];
        const QString base = fields[1].chopped(int(QStringLiteral("Image.bmp").size()));
        SCOPED_TRACE(base.toStdString());
        ASSERT_TRUE(QFile::copy(kPavings + QLatin1Char('/') + base + QStringLiteral(".txt"),
                                dir.filePath(base + QStringLiteral(".txt"))));
        QProcess solver;
        solver.setWorkingDirectory(dir.path());
        solver.start(QStringLiteral(SOLVER_PROGRAM), {QStringLiteral("--quiet"), base});
        ASSERT_TRUE(solver.waitForFinished(120000));
        ASSERT_EQ(solver.exitCode(), 0);

        QFile bmp(dir.filePath(base + QStringLiteral("Image.bmp")));
        ASSERT_TRUE(bmp.open(QIODevice::ReadOnly));
        EXPECT_EQ(QCryptographicHash::hash(bmp.readAll(), QCryptographicHash::Sha256).toHex(),
                  expected.toLatin1());
        const QImage fromBmp(bmp.fileName());
        const QImage fromPng(dir.filePath(base + QStringLiteral("Image.png")));
        ASSERT_FALSE(fromPng.isNull());
        EXPECT_EQ(fromPng.convertToFormat(QImage::Format_RGB32),
                  fromBmp.convertToFormat(QImage::Format_RGB32));
        ++checked;
    }
    EXPECT_EQ(checked, 36);
}

} // namespace
