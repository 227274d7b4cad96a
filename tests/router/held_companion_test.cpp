// The held job's companion file: what goes in comes back, whatever the
// printer name or host holds, and a damaged file is never taken as one.
#include <gtest/gtest.h>

#include "router/held_companion.h"

namespace {

TEST(HeldCompanion, FormatsAndReadsBackEveryField) {
  HeldCompanion companion;
  companion.originalJob = "/spool/job 1.prn";
  companion.heldTime = "2025-03-14 10:20:30";
  companion.sends = {{"10.0.0.7:20100", "Invoices", 60, 210061, "2025-03-14 10:20:29"},
                     {"h:1", "tab\there\r\nline 100%", 0, -8, "t"}};
  const AnsiString text = FormatHeldCompanion(companion);
  EXPECT_EQ(text.substr(0, text.find("Send=h:1")),
            "Job=/spool/job 1.prn\r\nHeld=2025-03-14 10:20:30\r\n"
            "Send=10.0.0.7:20100\tInvoices\t60\t210061\t2025-03-14 10:20:29\r\n");
  EXPECT_NE(text.find("tab%09here%0D%0Aline 100%25"), AnsiString::npos);

  HeldCompanion back;
  ASSERT_TRUE(ParseHeldCompanion(text, back));
  EXPECT_EQ(back.originalJob, companion.originalJob);
  EXPECT_EQ(back.heldTime, companion.heldTime);
  ASSERT_EQ(back.sends.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back.sends[i].hostPort, companion.sends[i].hostPort);
    EXPECT_EQ(back.sends[i].printerName, companion.sends[i].printerName);
    EXPECT_EQ(back.sends[i].timeoutSec, companion.sends[i].timeoutSec);
    EXPECT_EQ(back.sends[i].result, companion.sends[i].result);
    EXPECT_EQ(back.sends[i].attemptTime, companion.sends[i].attemptTime);
  }
}

TEST(HeldCompanion, RefusesTextThatIsNotOne) {
  for (const char* text : {"", "Held=x\r\nSend=h:1\tP\t5\t1\tt\r\n", "Job=j\r\nSend=h:1\tP\t5\t1\r\n",
                           "Job=j\r\nSend=h:1\tP\tfive\t1\tt\r\n", "Job=j\r\nSend=h:1\tP\t5\t1x\tt\r\n"}) {
    HeldCompanion companion;
    EXPECT_FALSE(ParseHeldCompanion(text, companion)) << text;
  }
  HeldCompanion lf;
  ASSERT_TRUE(ParseHeldCompanion("Job=j\nSend=h:1\tP\t5\t-7\tt\n", lf));
  ASSERT_EQ(lf.sends.size(), 1u);
  EXPECT_EQ(lf.sends[0].result, -7);
}

}  // namespace
