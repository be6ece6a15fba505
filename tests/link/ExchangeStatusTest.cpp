#include "link/ExchangeStatus.h"

#include <gtest/gtest.h>

using namespace kest;

TEST(ExchangeMessages, TextsAreExactToTheBlank)
{
    ASSERT_EQ(ExchangeMessages.size(), 51u);
    EXPECT_EQ(ExchangeMessages[0], "  OK");
    EXPECT_EQ(ExchangeMessages[1], "  Нет ответа от регистратора ");
    EXPECT_EQ(ExchangeMessages[5], "  Не получены  данные на запрос ");
    EXPECT_EQ(ExchangeMessages[24], " ");
    EXPECT_EQ(ExchangeMessages[36], ExchangeMessages[3]);
    EXPECT_EQ(ExchangeMessages[37], "  ОК ( положительная квитанция )");
    EXPECT_NE(ExchangeMessages[37].substr(2, 4), ExchangeMessages[0].substr(2, 2)) << "37 is Cyrillic";
    EXPECT_EQ(ExchangeMessages[12], "12");
    EXPECT_EQ(ExchangeMessages[50], "50");
    EXPECT_EQ(ExchangeMessages[43],
              "Отсутствуют необходимые базы, проверьте путь к базе, их наличие, целостность баз "
              "или обратитесь к администратору.");
    EXPECT_EQ(exchangeLogLine(kStatusStopped), "   Чтение/запись прервано пользователем.");
    EXPECT_EQ(exchangeMessage(51), "51");
    EXPECT_EQ(exchangeMessage(-1), "-1");
}
