#include "transport/MultipartBody.h"
#include "transport/CHttp.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kB = "0f6b7a5e-1c2d-4e3f-8a9b-0c1d2e3f4a5b";

TEST(MultipartBody, FieldsOnlyBodyIsLaidOutByteForByte) {
    const QList<Multipart::Field> fields{{"loginid", "30"}, {"cps", "Referring Physician~"}};
    const QByteArray body = Multipart::BuildFilePart(kB, QByteArray()) +
                            Multipart::BuildFieldParts(kB, fields) + Multipart::Tail();
    const QByteArray expected = "\r\n--" + kB +
                                "\r\n"
                                "Content-Disposition: form-data; name=\"loginid\"\r\n"
                                "\r\n"
                                "30"
                                "\r\n--" +
                                kB +
                                "\r\n"
                                "Content-Disposition: form-data; name=\"cps\"\r\n"
                                "\r\n"
                                "Referring Physician~"
                                "\r\n--" +
                                kB + "--\r\n";
    EXPECT_EQ(body, expected);
    EXPECT_EQ(Multipart::ContentTypeHeader(kB), "Content-Type: multipart/form-data, boundary=" + kB);
}

TEST(MultipartBody, FilePartNamesTheFullLocalPathAndPrecedesTheFields) {
    const QByteArray header = Multipart::BuildFilePart(kB, "/home/u/.local/share/velmo/Temp/R260001.zip");
    EXPECT_EQ(header, "--" + kB +
                          "\r\n"
                          "Content-Disposition: form-data; name=\"FILE\"; "
                          "filename=\"/home/u/.local/share/velmo/Temp/R260001.zip\"\r\n"
                          "Content-Type: text/html\r\n"
                          "\r\n");
    // The field parts open with CRLF, which ends the file's bytes.
    EXPECT_TRUE(Multipart::BuildFieldParts(kB, {{"a", "1"}}).startsWith("\r\n--" + kB + "\r\n"));
}

TEST(MultipartBody, BoundaryIsAFreshLowerCaseUuid) {
    const QByteArray first = Multipart::MakeBoundary();
    const QByteArray second = CHttp::MakeBoundary();
    const QRegularExpression uuid(u"^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"_s);
    for (const QByteArray& boundary : {first, second}) {
        EXPECT_TRUE(uuid.match(QString::fromLatin1(boundary)).hasMatch()) << boundary.constData();
    }
    EXPECT_NE(first, second);
}

TEST(MultipartBody, CHttpKeepsFieldOrderAndSendsValuesUnencoded) {
    CHttp http;
    http.AddFormField(u"loginid"_s, QByteArray("\xfe\x01z", 3)); // scrambled bytes stay bytes
    http.AddFormField(u"demographics"_s, u"Patient Name~J\u00e9r\u00f4me & Co|x=1"_s);
    http.SetLocalFile(u"/tmp/a b/R1.zip"_s);
    const QByteArray parts = http.BuildFieldParts(kB);
    EXPECT_TRUE(parts.contains(QByteArray("\r\n\r\n\xfe\x01z\r\n--", 9))) << parts.toHex().constData();
    EXPECT_TRUE(parts.contains("\r\n\r\nPatient Name~J\xc3\xa9r\xc3\xb4me & Co|x=1\r\n--" + kB));
    EXPECT_LT(parts.indexOf("name=\"loginid\""), parts.indexOf("name=\"demographics\""));
    EXPECT_TRUE(http.BuildFilePart(kB).contains("filename=\"/tmp/a b/R1.zip\""));

    http.ClearFormFields();
    EXPECT_TRUE(http.BuildFieldParts(kB).isEmpty());
}

} // namespace
