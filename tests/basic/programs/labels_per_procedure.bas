' The same label in two procedures: each GoTo and GoSub finds its own.
Sub Main
  GoSub Here
  Other
  GoTo Done
  Print "skipped"
Here:
  Print "main gosub"
  Return
Done:
  Print "main end"
End Sub

Sub Other
  GoTo Here
  Print "skipped"
Here:
  Print "other"
  GoSub Done
  Exit Sub
Done:
  Print "other gosub"
  Return
End Sub
