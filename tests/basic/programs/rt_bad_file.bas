' A file number that was never opened stops the program.
Sub Main
  Dim s As String
  Open "rt_x.txt" For Output As #1
  Print EOF(1)  ' an output file is always at its end
  Close
  Print "closed"
  Line Input #1, s
  Print "not reached"
End Sub
