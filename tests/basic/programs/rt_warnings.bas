' Runtime warnings: the program goes on with the neutral value.
Sub Main
  FileCopy "rt_missing.txt", "rt_never.txt"
  Print FileLen("rt_never.txt")
  Print Year("hello")
  Print DDEInitiate("server", "topic")
  DDEExecute 1, "cmd"
  DDETerminate 1
  Print CreateObject("Some.Object"); GetObject("a", "b")
  Print DlgControlID("x"); DlgText(1, "t"); DlgEnable(1, 1); DlgVisible(1, 1)
  SendKeys "abc", 1
  Print "end"
End Sub
