#pragma once
// The Windows Sockets error numbers the log shows for socket errors: the one table of them.

namespace platform::wsa {

constexpr int AccessDenied = 10013;
constexpr int InvalidArgument = 10022;
constexpr int WouldBlock = 10035;
constexpr int MessageTooLong = 10040;
constexpr int NotSupported = 10045;
constexpr int AddressInUse = 10048;
constexpr int AddressNotAvailable = 10049;
constexpr int ConnectionAborted = 10053;
constexpr int ConnectionReset = 10054;
constexpr int NoBufferSpace = 10055;
constexpr int TimedOut = 10060;
constexpr int ConnectionRefused = 10061;
constexpr int HostUnreachable = 10065;
constexpr int HostNotFound = 11001;

} // namespace platform::wsa
