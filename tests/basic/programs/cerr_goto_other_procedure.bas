' A label belongs to its procedure: GoTo and GoSub cannot reach another's.
Sub Main
  GoTo Elsewhere
  GoSub Elsewhere
End Sub

Sub Other
Elsewhere:
  Print "in Other"
End Sub
