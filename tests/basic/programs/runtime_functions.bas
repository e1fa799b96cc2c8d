' Runtime library: Format, date and time parts.
Sub Main
  Print Format(1234.5, "#,##0.00"); Format(-3, "0;(0)"); Format(0.256, "Percent"); Format(1, "Yes/No")
  Print Format(5); Format(2.5, "0")
  Print Hour("10:30:00"); Minute("10:30:45"); Second("10:30:45")
  Print Len(Date); Len(Time); Mid(Time, 3, 1)
  Print IsDate("10:30:00"); IsDate("hello")
End Sub
