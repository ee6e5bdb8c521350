// Connection strings as users write them for libpq and GDAL, with their secrets hidden.
#include <gtest/gtest.h>

#include <string>

#include "output/Connection.h"

namespace mapgis_import {
namespace {

struct Case {
    const char* pszConnection;
    const char* pszShown;
};

// Every form libpq reads a password in; the expected texts written by hand.
const Case kCases[] = {
    {"PG:dbname=gis password=secret host=db", "PG:dbname=gis password=*** host=db"},
    {"PG:dbname=gis password = secret host=db", "PG:dbname=gis password = *** host=db"},
    {"PG:password=secret", "PG:password=***"},
    {"PG:PASSWORD=secret dbname=x", "PG:PASSWORD=*** dbname=x"},
    {"PG:dbname=x password='se cret' user=u", "PG:dbname=x password=*** user=u"},
    {"PG:dbname=x password='x\\'secret' user=u", "PG:dbname=x password=*** user=u"},
    {"PG:dbname=x password=se\\ cret user=u", "PG:dbname=x password=*** user=u"},
    {"PG:dbname='pass word' password=secret", "PG:dbname='pass word' password=***"},
    {"PG:dbname='password=not' user=u", "PG:dbname='password=not' user=u"},
    {"PG:application_name=password user=u", "PG:application_name=password user=u"},
    {"PG:options='-c app.password=secret' user=u", "PG:options=*** user=u"},
    {"PG:options='-c geqo=off' user=u", "PG:options='-c geqo=off' user=u"},
    {"PG:postgresql://u:secret@db/gis", "PG:postgresql://u:***@db/gis"},
    {"postgres://u:secret@db:5432/gis", "postgres://u:***@db:5432/gis"},
    {"PG:POSTGRESQL://u:secret@db/gis", "PG:POSTGRESQL://u:***@db/gis"},
    {"PG:postgresql://u@db/gis?password=secret&sslmode=off",
     "PG:postgresql://u@db/gis?password=***&sslmode=off"},
    {"PG:postgresql://db/gis?options=-c%20app.password%3Dsecret",
     "PG:postgresql://db/gis?options=***"},
    {"PG:postgresql://u:se@cret@db/gis", "PG:postgresql://u:***@db/gis"},
    {"PG:postgresql://db:5432/gis", "PG:postgresql://db:5432/gis"},
    {"PG:dbname=gis host=db", "PG:dbname=gis host=db"},
    // What libpq would not read: the rest hidden once it mentions a password.
    {"PG:dbname=x password", "PG:dbname=x ***"},
    {"PG:dbname=x password='unterminated", "PG:dbname=x password=***"},
};

TEST(ConnectionSecrets, PublicConnectionHidesEveryPassword) {
    for (const Case& c : kCases)
        EXPECT_EQ(PublicConnection(c.pszConnection), c.pszShown) << c.pszConnection;
}

TEST(ConnectionSecrets, HiddenInPlaceWithoutTheSecretLeft) {
    for (const Case& c : kCases) {
        std::string strArgument = c.pszConnection;
        HideSecretsInPlace(&strArgument[0]);
        EXPECT_EQ(strArgument.size(), std::string(c.pszConnection).size()) << c.pszConnection;
        EXPECT_EQ(strArgument.find("secret"), std::string::npos) << c.pszConnection;
        EXPECT_EQ(PublicConnection(strArgument).find('*') != std::string::npos,
                  std::string(c.pszShown).find("***") != std::string::npos)
            << c.pszConnection;
    }
    std::string strFile = "password=secret.wat";  // an input, not a connection
    HideSecretsInPlace(&strFile[0]);
    EXPECT_EQ(strFile, "password=secret.wat");
}

TEST(SheetNames, HashOnlyWhenAsked) {
    EXPECT_EQ(SheetTableName("x-y/t01", false), "x_y_t01");
    EXPECT_EQ(SheetTableName("x_y/t01", false), "x_y_t01");
    EXPECT_NE(SheetTableName("x-y/t01", true), SheetTableName("x_y/t01", true));
    EXPECT_EQ(SheetTableName("x-y/t01", true).compare(0, 8, "x_y_t01_"), 0);
}

}  // namespace
}  // namespace mapgis_import
