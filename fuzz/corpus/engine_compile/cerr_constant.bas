Const K = 3
Sub Main
  K = 4
  GoTo Missing
End Sub
