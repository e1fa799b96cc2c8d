' Return without a GoSub of the same procedure is an error, also when the
' caller has a GoSub open.
Sub Main
  GoSub Open1
  Print "not reached"
  Exit Sub
Open1:
  Helper
  Return
End Sub

Sub Helper
  Print "helper"
  Return
End Sub
