#pragma once

// Control IDs of the three windows. The end-to-end tests find controls by
// these IDs, so they are part of the program's outward face.
namespace tolvane::ui {

namespace form1 {
inline constexpr int kList1 = 1001;
inline constexpr int kCommand1 = 1002;  // add
inline constexpr int kCommand2 = 1003;  // launch
inline constexpr int kCommand3 = 1004;  // delete
inline constexpr int kCommand4 = 1005;  // exit
inline constexpr int kCommand5 = 1006;  // about
inline constexpr int kWindow = 1007;
inline constexpr int kAutoRun = 1008;
inline constexpr int kImage1 = 1009;
}  // namespace form1

namespace form2 {
inline constexpr int kAg = 2001;
inline constexpr int kLabel1Name = 2002;     // Label1, index 0
inline constexpr int kLabel1Address = 2003;  // Label1, index 1
inline constexpr int kText1 = 2004;
inline constexpr int kText2 = 2005;
inline constexpr int kCommand4 = 2006;  // OK
inline constexpr int kCommand1 = 2007;  // cancel
}  // namespace form2

namespace form3 {
inline constexpr int kFrame1 = 3001;
inline constexpr int kLabel1 = 3002;
inline constexpr int kLabel2 = 3003;
inline constexpr int kLabel3 = 3004;
inline constexpr int kCommand1 = 3005;
}  // namespace form3

}  // namespace tolvane::ui
