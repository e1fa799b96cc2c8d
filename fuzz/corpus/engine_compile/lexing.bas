Sub Main ' comment
  REM any text here @ \ !
  x = 1 + _
      2
  Print x
  Print "a""b"
End Sub