// The compile server: keeps the game compiler warm in one JVM and compiles
// what the launcher (bin/mxmlc through compile-client) hands it over a
// Unix domain socket, one compile at a time. A compile started cold loads
// the compiler's classes and its class library every time; here that cost
// is paid once.
//
// Usage: java <the compiler's JVM options> -cp <compiler jar>:<this folder>
//            CompileServer <socket> <lock file> <idle seconds>
//
// Request: "PMX1", a count n (int), then n strings, each an int length and
// its bytes: the caller's working folder, then the compiler's arguments, as
// the operating system gave them. The server compiles only for callers in
// its own working folder, where relative paths mean what they mean to them.
// Answer: frames of one type byte, an int length and that many bytes:
// 'O' standard output, 'E' standard error (in the order they were written),
// then 'X' with the exit status (4 bytes), or 'C' alone: compile it cold.
// A caller that gets no 'X' or 'C' (the server died) compiles cold too.
//
// The server ends after the given idle time, on SIGTERM, when its socket,
// its working folder or its installation is gone (or the installation was
// set up again), or when another server already holds the lock file.

import java.io.BufferedOutputStream;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintStream;
import java.net.StandardProtocolFamily;
import java.net.UnixDomainSocketAddress;
import java.nio.ByteBuffer;
import java.nio.channels.FileChannel;
import java.nio.channels.FileLock;
import java.nio.channels.SelectionKey;
import java.nio.channels.Selector;
import java.nio.channels.ServerSocketChannel;
import java.nio.channels.SocketChannel;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.nio.file.attribute.BasicFileAttributes;
import java.time.LocalDateTime;
import java.time.format.DateTimeFormatter;
import java.util.Arrays;
import java.util.Locale;
import java.util.Properties;
import java.util.TimeZone;

public final class CompileServer {
    private static final byte OUT = 'O';
    private static final byte ERR = 'E';
    private static final byte EXIT = 'X';
    private static final byte COLD = 'C';
    private static final int MAX_REQUEST = 1 << 20;
    private static final long REQUEST_DEADLINE_MILLIS = 30_000;
    // How often an idle server checks that it is still wanted.
    private static final long CHECK_MILLIS = 5_000;
    // How long a new server waits for the lock of one that is dying.
    private static final long LOCK_WAIT_MILLIS = 3_000;

    // The compiler's exit status of -watch: it keeps running, which only a
    // cold compile of its own can do.
    private static final int EXIT_WATCHING = 1000;

    // Output of the compile in progress, or null between compiles.
    private static volatile Recorder current;
    private static PrintStream log;

    private CompileServer() {}

    // Both streams of one compile, in the order they were written.
    private static final class Recorder {
        private final ByteArrayOutputStream frames = new ByteArrayOutputStream();

        synchronized void write(byte stream, byte[] b, int off, int len) {
            frames.write(stream);
            writeInt(frames, len);
            frames.write(b, off, len);
        }

        synchronized byte[] finish(byte type, int code) {
            frames.write(type);
            writeInt(frames, 4);
            writeInt(frames, code);
            return frames.toByteArray();
        }
    }

    // System.out and System.err: the current compile's recorder, or the log
    // between compiles. Installed once, so that streams the compiler keeps
    // from an earlier compile still reach the right caller.
    private static final class Switch extends OutputStream {
        private final byte stream;
        private final OutputStream idle;

        Switch(byte stream, OutputStream idle) {
            this.stream = stream;
            this.idle = idle;
        }

        @Override
        public void write(int b) throws IOException {
            write(new byte[] {(byte) b}, 0, 1);
        }

        @Override
        public void write(byte[] b, int off, int len) throws IOException {
            Recorder r = current;
            if (r != null)
                r.write(stream, b, off, len);
            else
                idle.write(b, off, len);
        }

        @Override
        public void flush() throws IOException {
            if (current == null)
                idle.flush();
        }
    }

    private static final class Request {
        String cwd;
        String[] args;
    }

    public static void main(String[] argv) throws Exception {
        log = System.err;
        if (argv.length != 3) {
            log("usage: CompileServer <socket> <lock file> <idle seconds>");
            System.exit(2);
        }
        Path socketPath = Path.of(argv[0]);
        Path lockPath = Path.of(argv[1]);
        long idleMillis = Long.parseLong(argv[2]) * 1000;

        FileChannel lockChannel = FileChannel.open(lockPath, StandardOpenOption.CREATE,
                                                   StandardOpenOption.WRITE);
        FileLock lock = takeLock(lockChannel, socketPath);
        if (lock == null) {
            log("another server serves " + socketPath + "; ending");
            return;
        }

        // The process's working folder cannot change, and a cold compile
        // takes relative paths from it: callers elsewhere have servers of
        // their own.
        final String ownPath = System.getProperty("user.dir");
        final Object ownFolder = folderKey(".");
        if (ownFolder == null || !ownFolder.equals(folderKey(ownPath))) {
            log("working folder " + ownPath + " is gone; ending");
            return;
        }

        // A socket left by a server that died: nobody else holds the lock.
        Files.deleteIfExists(socketPath);
        ServerSocketChannel server = ServerSocketChannel.open(StandardProtocolFamily.UNIX);
        server.bind(UnixDomainSocketAddress.of(socketPath));
        final Object socketKey =
            Files.readAttributes(socketPath, BasicFileAttributes.class).fileKey();
        Runtime.getRuntime().addShutdownHook(new Thread(() -> {
            // Only our own socket: a newer server may have bound the path.
            try {
                if (socketKey != null && socketKey.equals(Files.readAttributes(
                                             socketPath, BasicFileAttributes.class).fileKey()))
                    Files.deleteIfExists(socketPath);
            } catch (IOException e) {
                // gone already
            }
            log("ended");
        }));
        // The installation it serves: set up again or removed, it ends.
        final Path stampPath = installationStamp();
        final byte[] stamp = readStamp(stampPath);
        log("serving " + socketPath + " (pid " + ProcessHandle.current().pid() + ")");

        Charset charset = Charset.defaultCharset();
        System.setOut(new PrintStream(new BufferedOutputStream(new Switch(OUT, log), 128), true,
                                      charset));
        System.setErr(new PrintStream(new BufferedOutputStream(new Switch(ERR, log), 128), true,
                                      charset));
        final Properties properties = (Properties) System.getProperties().clone();
        final Locale locale = Locale.getDefault();
        final TimeZone timeZone = TimeZone.getDefault();

        server.configureBlocking(false);
        Selector selector = Selector.open();
        server.register(selector, SelectionKey.OP_ACCEPT);
        long idleSince = System.currentTimeMillis();
        for (;;) {
            long left = idleSince + idleMillis - System.currentTimeMillis();
            if (left <= 0) {
                log("idle for " + (idleMillis / 1000) + " s; ending");
                break;
            }
            selector.select(Math.min(left, CHECK_MILLIS));
            String gone = whatIsGone(socketPath, socketKey, stampPath, stamp, ownPath, ownFolder);
            if (gone != null) {
                log(gone + "; ending");
                break;
            }
            selector.selectedKeys().clear();
            SocketChannel client = server.accept();
            if (client == null)
                continue;
            try (client) {
                client.configureBlocking(true);
                Request request = readRequest(client);
                if (request == null)
                    continue;
                boolean here = ownFolder.equals(folderKey(request.cwd));
                byte[] answer = here ? compile(request.args) : new Recorder().finish(COLD, 0);
                // Whatever the compile changed goes back as it was.
                System.setProperties((Properties) properties.clone());
                Locale.setDefault(locale);
                TimeZone.setDefault(timeZone);
                try {
                    writeFully(client, answer);
                } catch (IOException e) {
                    log("caller went away: " + e.getMessage());
                }
            } catch (IOException e) {
                log("request failed: " + e);
            } catch (Error e) {
                // The JVM may be damaged (out of memory): leave the work to
                // cold compiles and a new server.
                log("ending after " + e);
                System.exit(1);
            }
            idleSince = System.currentTimeMillis();
        }
        server.close();
        lock.release();
        System.exit(0);
    }

    private static byte[] compile(String[] args) {
        Recorder recorder = new Recorder();
        current = recorder;
        int code;
        try {
            code = org.apache.royale.compiler.clients.MXMLC.staticMainNoExit(args);
        } catch (Exception e) {
            // A cold compile prints it as an uncaught exception: let it.
            log("compile failed: " + e);
            return new Recorder().finish(COLD, 0);
        } finally {
            System.out.flush();
            System.err.flush();
            current = null;
        }
        if (code == EXIT_WATCHING)
            return new Recorder().finish(COLD, 0);
        return recorder.finish(EXIT, code);
    }

    // A killed server keeps its lock a moment after it is reported dead
    // (its threads end one by one): while nobody answers on the socket, the
    // lock is asked for again before giving up.
    private static FileLock takeLock(FileChannel channel, Path socketPath)
        throws IOException, InterruptedException {
        final long deadline = System.currentTimeMillis() + LOCK_WAIT_MILLIS;
        for (;;) {
            FileLock lock = channel.tryLock();
            if (lock != null || System.currentTimeMillis() >= deadline || answers(socketPath))
                return lock;
            Thread.sleep(100);
        }
    }

    private static boolean answers(Path socketPath) {
        try (SocketChannel probe = SocketChannel.open(StandardProtocolFamily.UNIX)) {
            probe.connect(UnixDomainSocketAddress.of(socketPath));
            return true;
        } catch (IOException e) {
            return false;
        }
    }

    // Reads one request; null when the caller sent none or a bad one.
    private static Request readRequest(SocketChannel client) throws IOException {
        // A caller that connects and sends nothing must not stop the server.
        Thread watchdog = new Thread(() -> {
            try {
                Thread.sleep(REQUEST_DEADLINE_MILLIS);
                client.close();
            } catch (InterruptedException | IOException e) {
                // request read in time
            }
        });
        watchdog.setDaemon(true);
        watchdog.start();
        try {
            byte[] magic = readBytes(client, 4);
            if (magic == null || !Arrays.equals(magic, new byte[] {'P', 'M', 'X', '1'}))
                return null;
            int count = readInt(client);
            if (count < 1 || count > 100_000)
                return null;
            // Bytes as the operating system gave them; decoded as a cold
            // JVM decodes its command line.
            Charset jnu = nativeCharset();
            Request r = new Request();
            r.args = new String[count - 1];
            int total = 0;
            for (int i = 0; i < count; i++) {
                int len = readInt(client);
                total += len;
                if (len < 0 || total > MAX_REQUEST)
                    return null;
                byte[] b = readBytes(client, len);
                if (b == null)
                    return null;
                if (i == 0)
                    r.cwd = new String(b, jnu);
                else
                    r.args[i - 1] = new String(b, jnu);
            }
            if (!r.cwd.startsWith("/"))
                return null;
            return r;
        } catch (IOException e) {
            return null;
        } finally {
            watchdog.interrupt();
        }
    }

    // Why the server is no longer wanted, or null: its socket was removed or
    // taken over, its installation set up again or removed, its working
    // folder removed. Callers would never reach it again.
    private static String whatIsGone(Path socketPath, Object socketKey, Path stampPath,
                                     byte[] stamp, String ownPath, Object ownFolder) {
        if (socketKey == null || !socketKey.equals(folderKey(socketPath.toString())))
            return "socket " + socketPath + " is gone";
        if (stampPath != null && !Arrays.equals(stamp, readStamp(stampPath)))
            return "installation " + stampPath.getParent() + " changed";
        if (!ownFolder.equals(folderKey(ownPath)))
            return "working folder " + ownPath + " is gone";
        return null;
    }

    // <installation>/toolchain.stamp, the server's classes being in
    // <installation>/lib/compile-server; null when unknown.
    private static Path installationStamp() {
        try {
            Path classes = Path.of(
                CompileServer.class.getProtectionDomain().getCodeSource().getLocation().toURI());
            return classes.getParent().getParent().resolve("toolchain.stamp");
        } catch (Exception e) {
            return null;
        }
    }

    private static byte[] readStamp(Path stampPath) {
        try {
            return stampPath == null ? null : Files.readAllBytes(stampPath);
        } catch (IOException e) {
            return null;
        }
    }

    // The identity of a file or folder (device and inode), or null.
    private static Object folderKey(String path) {
        try {
            return Files.readAttributes(Path.of(path), BasicFileAttributes.class).fileKey();
        } catch (IOException | RuntimeException e) {
            return null;
        }
    }

    private static Charset nativeCharset() {
        String name = System.getProperty("sun.jnu.encoding");
        try {
            return name != null ? Charset.forName(name) : Charset.defaultCharset();
        } catch (IllegalArgumentException e) {
            return Charset.defaultCharset();
        }
    }

    private static byte[] readBytes(SocketChannel ch, int n) throws IOException {
        ByteBuffer buf = ByteBuffer.allocate(n);
        while (buf.hasRemaining())
            if (ch.read(buf) < 0)
                return null;
        return buf.array();
    }

    private static int readInt(SocketChannel ch) throws IOException {
        byte[] b = readBytes(ch, 4);
        if (b == null)
            throw new IOException("request cut short");
        return ByteBuffer.wrap(b).getInt();
    }

    private static void writeInt(ByteArrayOutputStream out, int v) {
        out.write(v >>> 24);
        out.write(v >>> 16);
        out.write(v >>> 8);
        out.write(v);
    }

    private static void writeFully(SocketChannel ch, byte[] data) throws IOException {
        ByteBuffer buf = ByteBuffer.wrap(data);
        while (buf.hasRemaining())
            ch.write(buf);
    }

    private static void log(String message) {
        log.println(LocalDateTime.now().format(DateTimeFormatter.ISO_LOCAL_DATE_TIME) + " [" +
                    ProcessHandle.current().pid() + "] " + message);
        log.flush();
    }
}
