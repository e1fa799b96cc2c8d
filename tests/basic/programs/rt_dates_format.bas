' Runtime library: date fields, date and number formats (run under LC_ALL=C).
Declare Function WeekDay Lib "tessel32.dll" (ByVal v As Variant) As Integer
Declare Function JulianDay Lib "tessel32.dll" (ByVal v As Variant) As Integer
Sub Main
  Dim q As String
  q = Chr(34)
  Print Year("2/29/2024"); Month("2/29/2024"); Day("2/29/2024"); WeekDay("2/29/2024"); JulianDay("2/29/2024")
  Print Hour("10:30:00"); Minute("13:45:30"); Second("10:30:01"); Hour("2/29/2024 1:05:09 PM")
  Print Format("2/29/2024", "yyyy-mm-dd"); " "; Format("2/29/2024 13:05:09", "hh:nn:ss AMPM")
  Print Format("2/29/2024", "dddd, mmmm d"); " / "; Format("2/29/2024", "ddd mmm yy q y")
  Print Format("2/29/2024", "Long Date"); " / "; Format("2/29/2024", "Short Date")
  Print Format("13:05:09", "Short Time"); " "; Format("13:05:09", "Medium Time"); " "; Format("13:05:09", "Long Time")
  Print Len(Date); Mid(Date, 3, 1); Len(Time); Mid(Time, 3, 1); Len(Now); Right(Now, 1) = Chr(10)
  Print Format(1234.5, "#,##0.00"); Format(-3, "0;(0)"); Format(0, "0;(0);" & q & "nil" & q)
  Print Format(0.256, "Percent"); Format(1, "Yes/No"); Format(0, "On/Off"); Format(5, "True/False")
  Print Format(1234.567, "Currency"); Format(1234.567, "Fixed"); Format(1234567.891, "Standard")
  Print Format(2.5, "0"); Format(0.125, "0.00"); Format(2.675, "0.00"); Format(2, "0.##"); Format(3.14159, "0.###")
  Print Format(-0.001, "0.00"); Format(5); Format(1.5, "General Number"); Format(1234567, "#,##0,")
  Print Format(0.5, "0%"); Format(-1234.5, "#,##0.0"); Format("abc", "0.00"); Format("12.5", "0.00")
End Sub
