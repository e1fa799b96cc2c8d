Sub Main
  Print 1 \ 2
End Sub
