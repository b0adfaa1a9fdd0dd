' A late-bound script host drives the control by name: the default member, a refused value, a
' wrong type, text converted, a boolean, Begin and Finish.
Option Explicit
Dim j
Set j = CreateObject("Joystick.ControlJoystick")
j.Interval = 100
WScript.Echo "Default=" & j
j.Interval = 20000
WScript.Echo "Refused=" & j.Interval
On Error Resume Next
j.Interval = "abc"
WScript.Echo "WrongType=" & Err.Number
On Error GoTo 0
j.Interval = "250"
WScript.Echo "FromText=" & j.Interval
j.RepeatButton = True
WScript.Echo "RepeatButton=" & CInt(j.RepeatButton)
j.Begin
j.Finish
WScript.Echo "Done"
