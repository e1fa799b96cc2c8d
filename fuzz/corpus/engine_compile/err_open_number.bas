Sub Main
  Open "x.txt" For Output As #20
  Print "not reached"
End Sub
