' File statements: Open, Print #, Write #, Line Input #, EOF, Close, FreeFile.
Sub Main
  Dim f As String, line1 As String
  f = "tessel_files_test.txt"
  Open f For Output As #1
  Print #1, "first"; 2
  Write #1, "two", 3
  Close #1
  Print FreeFile
  Open f For Input As #2
  Print FreeFile
  Line Input #2, line1
  Print line1
  Line Input #2, line1
  Print line1
  Print EOF(2)
  Close
  Print FreeFile
  Print FileLen(f)
  Open f For Append As #3
  Print #3, "x"
  Close #3
  Print FileLen(f)
  Kill f
  Print FileLen(f)
End Sub
