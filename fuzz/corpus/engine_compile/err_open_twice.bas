Sub Main
  Open "twice.txt" For Output As #1
  Open "twice.txt" For Output As #1
End Sub
