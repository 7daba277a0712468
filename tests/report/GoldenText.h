// Golden report texts: the expected text of a case in a file beside the
// tests (tests/report/golden/<case>.txt), compared with a readable line
// difference on a mismatch. The files hold LF line ends; the report must
// have CR LF line ends only, which is checked first and then turned into LF
// for the comparison. With VIPC_UPDATE_GOLDEN=1 in the environment the
// files are written from the actual texts instead (review them before
// committing).
#pragma once

#include <string>

void ExpectGoldenText(const std::string& caseName, const std::string& text);
