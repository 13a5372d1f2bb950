package
{
	import flash.display.Sprite;

	// 落ちてくる星をかごで受け止めるゲームです。
	public class Main extends Sprite
	{
		public function Main()
		{
			// ここにゲームを作っていきます
		}
	}
}
