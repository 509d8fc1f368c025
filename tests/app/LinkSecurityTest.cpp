#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "app/UploadFrame.h"
#include "app/Uploads.h"
#include "fixtures/CatalogueWorkbooks.h"
#include "fixtures/FaultyLink.h"
#include "fixtures/RecordingOperator.h"
#include "fixtures/TestShop.h"
#include "shopdb/ShopConnection.h"

namespace wwweksports {
namespace {

using testing::FaultyLink;
using testing::TestShop;

QString Cert(const char* name) { return TestShop::certsDir() + QLatin1Char('/') + name; }

// Each security mode against a plain server, a TLS-only server whose certificate names
// 127.0.0.1, and one whose certificate names another host: connected (encrypted or not), or
// refused with a message that names the mode, the host and the cause, and never the password.
TEST(LinkSecurity, EachModeConnectsOrRefusesAsTheDatabaseClientsDo) {
    TestShop plain;
    TestShop tls(TestShop::Charset::Utf8, TestShop::Server::Tls);
    const int plainPort = TestShop::serverPort();
    const int tlsPort = TestShop::serverPort(TestShop::Server::Tls);
    const int wrongPort = TestShop::wrongNameServerPort();
    const QString ca = Cert("ca.pem"), otherCa = Cert("other-ca.pem");
    const QString encrypted = QStringLiteral("ir šifrēts (TLSv1");
    const QString unencrypted = QStringLiteral("nav šifrēts");
    const QString notOffered = QStringLiteral(" ar 127.0.0.1: serveris nepiedāvā TLS");
    // clang-format off
    const struct { int port; const char* mode; QString ca; QString outcome; } cases[] = {
        {plainPort, "", "", unencrypted},
        {plainPort, "disabled", "", unencrypted},
        {plainPort, "required", "", "Savienojuma drošība required" + notOffered},
        {plainPort, "verify-ca", ca, "Savienojuma drošība verify-ca" + notOffered},
        {plainPort, "verify-identity", ca, "Savienojuma drošība verify-identity" + notOffered},
        {tlsPort, "", "", encrypted},
        {tlsPort, "disabled", "", "Datu bāze neatzina lietotāja vārdu vai paroli (datu bāzes kļūda 1045: Access denied for user"},
        {tlsPort, "required", "", encrypted},
        {tlsPort, "REQUIRED", otherCa, encrypted},  // no certificate check
        {tlsPort, "verify-ca", ca, encrypted},
        {tlsPort, "verify-ca", otherCa,
         "Savienojuma drošība verify-ca ar 127.0.0.1: servera sertifikātu neapliecina CA fails " +
         otherCa},
        {tlsPort, "verify-ca", "", "sertifikātu neapliecina sistēmas CA krātuve"},
        {tlsPort, "verify-identity", ca, encrypted},
        {tlsPort, "verify-identity", Cert("missing.pem"),
         "Savienojuma drošība verify-identity ar 127.0.0.1: CA failu " + Cert("missing.pem") +
         " nevar nolasīt"},
        {tlsPort, "verify-ca", TestShop::certsDir(), "nevar nolasīt (tā ir mape)"},
        {wrongPort, "verify-ca", ca, encrypted},  // the name is not checked
        {wrongPort, "verify-identity", ca,
         "Savienojuma drošība verify-identity ar 127.0.0.1: servera sertifikātā nav nosaukta "
         "adrese 127.0.0.1"},
        {tlsPort, "sometimes", "", "Nezināms savienojuma drošības veids \"sometimes\" datu bāzei 127.0.0.1"}};
    // clang-format on
    for (const auto& c : cases) {
        const TestShop& shop = c.port == plainPort ? plain : tls;
        Inputs in = shop.inputs();
        in.address = QStringLiteral("127.0.0.1:%1").arg(c.port);
        if (c.port == wrongPort) {  // a server without the shop: the connection is all there is
            in.database.clear();
            in.user = QStringLiteral("shop");
        }
        in.tlsMode = c.mode;
        in.tlsCa = c.ca;
        testing::RecordingOperator op(in);
        ShopConnection connection;
        const Outcome outcome = TestShopConnection(connection, op);
        const QString said = (op.links() + op.messages()).join('\n');
        const std::string context =
            std::string(c.mode) + " on port " + std::to_string(c.port) + ": " + said.toStdString();
        EXPECT_TRUE(said.contains(c.outcome)) << context;
        const bool connected = c.outcome == encrypted || c.outcome == unencrypted;
        EXPECT_EQ(outcome, connected ? Outcome::Done : Outcome::ConnectionFailed) << context;
        EXPECT_EQ(op.links().size(), connected ? 1 : 0) << context;
        EXPECT_FALSE(said.contains(TestShop::password())) << context;
    }
}

// An account that must show a client certificate gets in with one and is refused without.
TEST(LinkSecurity, AClientCertificateGoesToTheServerThatAsksForIt) {
    TestShop tls(TestShop::Charset::Utf8, TestShop::Server::Tls);
    Inputs in = tls.inputs();
    in.user = QStringLiteral("shop_cert");
    in.tlsMode = QStringLiteral("verify-identity");
    in.tlsCa = Cert("ca.pem");
    for (const bool withCertificate : {false, true}) {
        if (withCertificate) {
            in.tlsCert = Cert("client.pem");
            in.tlsKey = Cert("client-key.pem");
        }
        testing::RecordingOperator op(in);
        ShopConnection connection;
        EXPECT_EQ(TestShopConnection(connection, op),
                  withCertificate ? Outcome::Done : Outcome::ConnectionFailed)
            << op.messages().join('\n').toStdString();
    }
}

class LinkSecurityUploads : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteGroups(dir, {{10, 0, 1, "Maize"}, {11, 10, 2, "Rupjmaize"}});
        std::vector<testing::ProductSpec> products = testing::ManyProducts(300);
        for (size_t i = 0; i < products.size(); i += 3) products[i].struck = 2.5;
        for (size_t i = 0; i < products.size(); ++i) products[i].balance = int(i % 7);
        products[5].name = "Slepenā ķiploku maize";
        testing::WriteProducts(dir, products);
    }
    // send-lists and then send-stock to `shop` through `port`; the outcome of the first that
    // did not end done.
    Outcome sendBoth(TestShop& shop, int port, const char* mode, const QString& ca = {}) {
        Inputs in = shop.inputs(dir.filePath("Preces_web.xlsx"));
        in.address = QStringLiteral("127.0.0.1:%1").arg(port);
        in.products = in.specials = true;
        in.tlsMode = mode;
        in.tlsCa = ca;
        op = testing::RecordingOperator(in);
        ShopConnection connection;
        const Outcome lists = SendLists(connection, op);
        if (lists != Outcome::Done) return lists;
        ShopConnection stock;
        return UploadStockBalances(stock, op);
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    testing::RecordingOperator op;
};

// Both uploads over a verified link leave what they leave over a plain one, and none of the
// statements cross the link readable; a link the tool cannot verify writes nothing.
TEST_F(LinkSecurityUploads, VerifiedUploadsEndAsPlainOnesAndShowNothingOnTheWire) {
    TestShop plain;
    FaultyLink plainRelay(TestShop::serverPort());
    ASSERT_EQ(sendBoth(plain, plainRelay.port(), "disabled"), Outcome::Done);
    // The relay does see what a plain link carries.
    EXPECT_NE(plainRelay.sent().find("Slepenā ķiploku maize"), std::string::npos);
    EXPECT_NE(plainRelay.sent().find("INSERT INTO product_description"), std::string::npos);

    TestShop tls(TestShop::Charset::Utf8, TestShop::Server::Tls);
    const std::vector<std::string> untouched = tls.fingerprint();
    FaultyLink tlsRelay(TestShop::serverPort(TestShop::Server::Tls));
    EXPECT_EQ(sendBoth(tls, tlsRelay.port(), "verify-ca", Cert("other-ca.pem")),
              Outcome::ConnectionFailed);
    EXPECT_EQ(tls.fingerprint(), untouched);

    ASSERT_EQ(sendBoth(tls, tlsRelay.port(), "verify-identity", Cert("ca.pem")), Outcome::Done)
        << op.messages().join('\n').toStdString();
    EXPECT_EQ(op.links().size(), 3);  // catalogue, special prices, stock
    EXPECT_EQ(tls.fingerprint(), plain.fingerprint());
    const std::string wire = tlsRelay.sent();
    EXPECT_GT(wire.size(), 10000u);
    for (const char* clear : {"Slepenā ķiploku maize", "INSERT", "UPDATE", "DELETE", "SELECT"})
        EXPECT_EQ(wire.find(clear), std::string::npos) << clear;
}

}  // namespace
}  // namespace wwweksports
