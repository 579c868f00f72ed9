// Settings files as users and other editors leave them, with the value the program reads from
// each (a buffer of 155 bytes). The Windows tests read the same files through the system's own
// profile API, which must agree with the program's reader.
#pragma once

#include <string>
#include <vector>

namespace tavrel::ini_cases {

struct ReadCase {
  std::string text, section, key, value;
};

inline std::vector<ReadCase> ReadCases() {
  const std::string longValue(200, 'v');
  return {
      {"[settings]\r\n  conid \t=  My ISP \t\r\n", "Settings", "ConID", "My ISP"},
      {"[settings]\r\nconid=x\r\n", " SETTINGS ", " CONID ", "x"},
      {"", "Settings", "Retry", "<default>"},                       // no file
      {"[Temp]\n1=GD\n", "Settings", "Retry", "<default>"},         // no section
      {"[Settings]\nRetry\n", "Settings", "Retry", "<default>"},    // key line without '='
      {"[Settings]\nRetry=\n", "Settings", "Retry", ""},            // an empty value stays empty
      {"Retry=3\n[Settings]\n", "Settings", "Retry", "<default>"},  // before any header
      {"[Settings]\nRetry=3\n", "", "Retry", "<default>"},
      {"[S]\nk=first\nk=second\n[s]\nk=third\n", "S", "k", "first"},  // the first wins
      {"[S]\nk=1\n[s]\nonly=later\n", "S", "only", "<default>"},      // later same-named section
      {"[S]\nk\nk=2\n", "S", "k", "<default>"},                       // the first has no value
      {"[A]\r\nx=1\n[S]\nk=mixed\r\n", "S", "k", "mixed"},
      {"[S]\nk=last", "S", "k", "last"},
      {"\xEF\xBB\xBF[Settings]\r\nConID=bom\r\n", "Settings", "ConID", "bom"},
      {"[S]\n;k=commented\nk=real\n", "S", "k", "real"},
      {"  [S] ; main\nk=1\n", "S", "k", "1"},
      {"[S]\n[T\nk=2\n", "S", "k", "2"},  // '[T' is no header
      {"[ S ]\nk=3\n", "S", "k", "3"},
      {"[S]]\nk=two brackets\n", "S]", "k", "two brackets"},
      {"[S] trailing\nk=after header\n", "S", "k", "after header"},
      {"\t[S]\n\tk\t=\ttabs\t\n", "S", "k", "tabs"},
      {"[S]\nk = v ; not a comment\n", "S", "k", "v ; not a comment"},
      {"[S]\n k k = inner blank\n", "S", "k k", "inner blank"},
      {"[S]\rk=cr\rj=alone\r", "S", "j", "alone"},  // a CR alone ends a line
      {"[S]\r\rk=cr only\r\n", "S", "k", "cr only"},
      {"[S]\nk=\x1a\n", "S", "k", ""},
      {"[S]\ngarbage line\nk=a=b\n", "S", "k", "a=b"},
      {std::string("[S]\nk=ab\0cd\n", 12), "S", "k", "ab"},  // a NUL ends the value
      // One pair of matching enclosing quotes comes off.
      {"[S]\na=\"two words\"\n", "S", "a", "two words"},
      {"[S]\nb='single'\n", "S", "b", "single"},
      {"[S]\nc=\"mixed'\n", "S", "c", "\"mixed'"},
      {"[S]\nd=\"\n", "S", "d", "\""},
      {"[S]\ne=\"\"\n", "S", "e", ""},
      {"[S]\nf=\"\"inner\"\"\n", "S", "f", "\"inner\""},
      {"[S]\ng=  \"  padded  \"  \n", "S", "g", "  padded  "},
      // Values longer than the buffer are cut to its size less one, after the quotes come off.
      {"[Settings]\r\nPWord=" + longValue + "\r\n", "Settings", "PWord", longValue.substr(0, 154)},
      {"[S]\nk=\"" + longValue + "\"\n", "S", "k", longValue.substr(0, 154)},
      {"[Settings]\nXfrmUpdate=5362.5\nYfrmUpdate=1755\n", "Settings", "YfrmUpdate", "1755"},
  };
}

}  // namespace tavrel::ini_cases
