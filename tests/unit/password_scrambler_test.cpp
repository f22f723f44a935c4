#include "settings/password_scrambler.h"

#include <gtest/gtest.h>

#include <random>

namespace brindle {
namespace {

TEST(PasswordScrambler, ScrambledFormIsUpperHexOfLength4nPlus4) {
  for (const std::string password : {"", "a", "rivetcode", "пароль"}) {
    const std::string scrambled = ScramblePassword(password);
    EXPECT_EQ(scrambled.size(), 4 * password.size() + 4);
    EXPECT_EQ(scrambled.find_first_not_of("0123456789ABCDEF"), std::string::npos) << scrambled;
  }
}

TEST(PasswordScrambler, EveryByteStringRoundTrips) {
  // Every single byte, then random strings of every length up to 64 with any byte values.
  for (int b = 0; b < 256; ++b) {
    const std::string password(1, static_cast<char>(b));
    EXPECT_EQ(UnscramblePassword(ScramblePassword(password)), password) << b;
  }
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int length = 0; length <= 64; ++length) {
    for (int round = 0; round < 20; ++round) {
      std::string password;
      for (int i = 0; i < length; ++i) password += static_cast<char>(byte(random));
      ASSERT_EQ(UnscramblePassword(ScramblePassword(password)), password);
    }
  }
}

TEST(PasswordScrambler, KnownFormIsStable) {
  // Stored settings files must keep reading: the form of a known password never changes.
  const std::string scrambled = ScramblePassword("abc");
  EXPECT_EQ(scrambled, ScramblePassword("abc"));
  EXPECT_EQ(UnscramblePassword(scrambled), "abc");
  EXPECT_EQ(ScramblePassword(""), "4E4E");  // no digits, sum 0: both mask bytes alone
}

TEST(PasswordScrambler, BadFormsAreRejected) {
  const std::string good = ScramblePassword("secret");
  std::string lower = good;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string& bad :
       {std::string("AB"), std::string("ABC"), std::string("ABCDE"), std::string(""),
        good.substr(1), lower, std::string("GG00"), std::string("12 4"), good + "Z1"}) {
    EXPECT_EQ(UnscramblePassword(bad), std::nullopt) << bad;
  }
  // An inner text that is not hexadecimal is rejected too.
  EXPECT_EQ(UnscramblePassword("4E4E4E4E"), std::nullopt);
}

TEST(PasswordScrambler, FourHexDigitsGiveTheEmptyPassword) {
  for (const char* text : {"0000", "FFFF", "4E4E", "1A2B"}) {
    EXPECT_EQ(UnscramblePassword(text), "") << text;
  }
}

}  // namespace
}  // namespace brindle
